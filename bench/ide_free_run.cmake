# A free run (F5) of the bench loop inside the desktop program, with the event loop measured.
if(TARGET zerka_gui)
  add_executable(bench_ide_free_run ${CMAKE_CURRENT_SOURCE_DIR}/ide_free_run.cpp)
  target_link_libraries(bench_ide_free_run PRIVATE zerka_gui)
  target_compile_definitions(bench_ide_free_run PRIVATE ZERKA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(bench_ide_free_run zerka_chip_library)
endif()
