add_executable(bench_encode_pass ${CMAKE_CURRENT_SOURCE_DIR}/encode_pass.cpp)
target_link_libraries(bench_encode_pass PRIVATE zerka_asm benchmark::benchmark benchmark::benchmark_main)
