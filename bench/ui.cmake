# The main window's view at 1,000,000 stored ratings, offscreen:
#   QT_QPA_PLATFORM=offscreen bench_ui --benchmark_counters_tabular=true
add_executable(bench_ui ${CMAKE_CURRENT_LIST_DIR}/ui_bench.cpp)
target_link_libraries(bench_ui PRIVATE notenschau_gui benchmark::benchmark)
