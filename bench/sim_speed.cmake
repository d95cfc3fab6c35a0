add_executable(bench_sim_speed ${CMAKE_CURRENT_SOURCE_DIR}/sim_speed.cpp)
target_link_libraries(bench_sim_speed PRIVATE zerka_upcentre zerka_upcentre_reference benchmark::benchmark benchmark::benchmark_main)
