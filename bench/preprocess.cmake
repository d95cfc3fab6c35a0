add_executable(bench_preprocess ${CMAKE_CURRENT_SOURCE_DIR}/preprocess.cpp)
target_link_libraries(bench_preprocess PRIVATE zerka_asm benchmark::benchmark benchmark::benchmark_main)
