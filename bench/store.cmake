# The feedback store with one member holding 1,000,000 ratings:
#   bench_store --benchmark_counters_tabular=true
add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp)
target_link_libraries(bench_store PRIVATE notenschau_core benchmark::benchmark)
