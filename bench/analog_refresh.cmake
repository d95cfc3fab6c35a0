# A calculator window's refresh with the window showing (register read, texts, repaint).
if(TARGET zerka_gui_analog)
  add_executable(bench_analog_refresh ${CMAKE_CURRENT_SOURCE_DIR}/analog_refresh.cpp)
  target_link_libraries(bench_analog_refresh PRIVATE zerka_gui_analog benchmark::benchmark)
  target_compile_definitions(bench_analog_refresh PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
