# The desktop program's start-up: process start to the first activation done.
if(TARGET zerka_gui)
  add_executable(bench_ide_startup ${CMAKE_CURRENT_SOURCE_DIR}/ide_startup.cpp)
  target_link_libraries(bench_ide_startup PRIVATE zerka_gui)
  add_dependencies(bench_ide_startup zerka_chip_library)
endif()

# Process start to the debug windows painted with a source file (bench/ide_startup.sh).
if(TARGET zerka_gui)
  add_executable(bench_ide_painted ${CMAKE_CURRENT_SOURCE_DIR}/ide_painted.cpp)
  target_link_libraries(bench_ide_painted PRIVATE zerka_gui)
  add_dependencies(bench_ide_painted zerka_chip_library)
endif()
