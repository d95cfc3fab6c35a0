add_executable(bench_views_refresh ${CMAKE_CURRENT_SOURCE_DIR}/views_refresh.cpp)
target_link_libraries(bench_views_refresh PRIVATE zerka_views benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_views_refresh PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
