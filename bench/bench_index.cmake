# Loading an index file and inserting into the entry tree.
sitefinch_bench(bench_index sitefinch_index)
