add_executable(bench_chip_load ${CMAKE_CURRENT_SOURCE_DIR}/chip_load.cpp)
target_link_libraries(bench_chip_load PRIVATE zerka_chip benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_chip_load PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
