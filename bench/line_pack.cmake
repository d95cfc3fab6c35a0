add_executable(bench_line_pack ${CMAKE_CURRENT_SOURCE_DIR}/line_pack.cpp)
target_link_libraries(bench_line_pack PRIVATE zerka_asm benchmark::benchmark benchmark::benchmark_main)
