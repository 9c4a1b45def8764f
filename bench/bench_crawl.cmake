# Building the index of generated sites from disk, against reading their pages once.
sitefinch_bench(bench_crawl sitefinch_indexer)
