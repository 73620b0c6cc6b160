# The own-ratings check from the simulator into the database:
#   bench_ownRun --benchmark_counters_tabular=true
add_executable(bench_ownRun ${CMAKE_CURRENT_LIST_DIR}/ownRun_bench.cpp)
target_link_libraries(bench_ownRun PRIVATE notenschau_core notenschau_marktsim_control
    benchmark::benchmark)
