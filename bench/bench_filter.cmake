# The query filter against a plain substring scan.
sitefinch_bench(bench_filter sitefinch_index)
