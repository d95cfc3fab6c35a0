# The program-memory and watch windows' refresh after a step (offscreen platform).
if(TARGET zerka_gui_debug)
  add_executable(bench_progwatch_refresh ${CMAKE_CURRENT_SOURCE_DIR}/progwatch_refresh.cpp)
  target_link_libraries(bench_progwatch_refresh PRIVATE zerka_gui_debug benchmark::benchmark)
  target_compile_definitions(bench_progwatch_refresh PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
