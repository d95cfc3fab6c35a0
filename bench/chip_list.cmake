add_executable(bench_chip_list ${CMAKE_CURRENT_SOURCE_DIR}/chip_list.cpp)
target_link_libraries(bench_chip_list PRIVATE zerka_chip benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_chip_list PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
