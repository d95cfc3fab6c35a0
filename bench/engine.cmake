add_executable(bench_engine ${CMAKE_CURRENT_SOURCE_DIR}/engine.cpp)
target_link_libraries(bench_engine PRIVATE zerka_upcentre_core benchmark::benchmark benchmark::benchmark_main)
