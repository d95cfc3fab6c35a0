add_executable(bench_lsp ${CMAKE_CURRENT_SOURCE_DIR}/lsp.cpp)
target_link_libraries(bench_lsp PRIVATE zerka_lsp benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_lsp PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
