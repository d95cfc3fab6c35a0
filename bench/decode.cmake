add_executable(bench_decode ${CMAKE_CURRENT_SOURCE_DIR}/decode.cpp)
target_link_libraries(bench_decode PRIVATE zerka_upcentre_core benchmark::benchmark benchmark::benchmark_main)
