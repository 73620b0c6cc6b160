# Feedback source against the simulator on loopback:
#   bench_retrieval --benchmark_counters_tabular=true
add_executable(bench_retrieval ${CMAKE_CURRENT_LIST_DIR}/retrieval_bench.cpp)
target_link_libraries(bench_retrieval PRIVATE notenschau_core notenschau_marktsim_control
    benchmark::benchmark)
