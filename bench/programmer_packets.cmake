add_executable(bench_programmer_packets ${CMAKE_CURRENT_SOURCE_DIR}/programmer_packets.cpp)
target_link_libraries(bench_programmer_packets PRIVATE zerka_programmer zerka_target
  benchmark::benchmark benchmark::benchmark_main)
