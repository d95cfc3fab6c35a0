# The register, RAM and stack windows' refreshView() after a single step.
if(TARGET zerka_gui_debug)
  add_executable(bench_regram_windows ${CMAKE_CURRENT_SOURCE_DIR}/regram_windows.cpp)
  target_link_libraries(bench_regram_windows PRIVATE zerka_gui_debug benchmark::benchmark)
  target_compile_definitions(bench_regram_windows PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(bench_regram_windows zerka_chip_library)
endif()
