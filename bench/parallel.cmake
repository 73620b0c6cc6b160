# Several page requests in flight ([Marktplatz] Parallel=1, 4, 8) against a
# simulator that answers late:
#   bench_parallel --benchmark_counters_tabular=true [--benchmark_filter=Own20k]
add_executable(bench_parallel ${CMAKE_CURRENT_LIST_DIR}/parallel_bench.cpp)
target_link_libraries(bench_parallel PRIVATE notenschau_core notenschau_marktsim_control
    benchmark::benchmark)
