# A foreign member's load, from the simulator into the database:
#   bench_foreignRun --benchmark_counters_tabular=true
add_executable(bench_foreignRun ${CMAKE_CURRENT_LIST_DIR}/foreignRun_bench.cpp)
target_link_libraries(bench_foreignRun PRIVATE notenschau_core notenschau_marktsim_control
    benchmark::benchmark)
