# The result list refill against a QSortFilterProxyModel, and start-up with a large index.
if(TARGET sitefinch_ui)
    sitefinch_bench(bench_ui sitefinch_ui)
    target_include_directories(bench_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endif()
