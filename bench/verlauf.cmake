# "Verlauf und Suche" at 1,000,000 stored ratings, offscreen:
#   bench_verlauf --benchmark_counters_tabular=true
add_executable(bench_verlauf ${CMAKE_CURRENT_LIST_DIR}/verlauf_bench.cpp)
target_link_libraries(bench_verlauf PRIVATE notenschau_gui benchmark::benchmark)
