# Loading the source view after a build: 100 files of 2,000 lines into the model, and into the
# model with the window showing. The goal is under 0.5 s.
if(TARGET zerka_gui_debug)
  add_executable(bench_source_view_load ${CMAKE_CURRENT_SOURCE_DIR}/source_view_load.cpp)
  target_link_libraries(bench_source_view_load PRIVATE zerka_gui_debug benchmark::benchmark)
  target_compile_definitions(bench_source_view_load PRIVATE QT_NO_EMIT)
endif()
