add_executable(bench_asm_speed ${CMAKE_CURRENT_SOURCE_DIR}/asm_speed.cpp)
target_link_libraries(bench_asm_speed PRIVATE zerka_asm benchmark::benchmark benchmark::benchmark_main)
