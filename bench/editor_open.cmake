if(TARGET zerka_gui_editor)
  add_executable(bench_editor_open ${CMAKE_CURRENT_SOURCE_DIR}/editor_open.cpp)
  target_link_libraries(bench_editor_open PRIVATE zerka_gui_editor benchmark::benchmark)
endif()
