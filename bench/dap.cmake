# zerka dap: stepIn round trip, free-run cost of the reverse recording, stepBack latency and the
# recording's memory.
add_executable(bench_dap ${CMAKE_CURRENT_SOURCE_DIR}/dap.cpp)
target_link_libraries(bench_dap PRIVATE zerka_dap)
target_compile_definitions(bench_dap PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  ZERKA_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(bench_dap zerka_chip_library)
