# Installs the build into a scratch prefix and assembles every installed example the way a new
# user would: copied into a folder of their own, with the installed `zerka` and the chip library
# it seeds into a fresh per-user program directory.
# cmake -DBUILD_DIR=... -P check_installed_examples.cmake
cmake_minimum_required(VERSION 3.22)
set(root ${BUILD_DIR}/install-check)
set(prefix ${root}/prefix)
file(REMOVE_RECURSE ${root})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${log}")
endif()
file(GLOB examples ${prefix}/share/zerka-ide/examples/*.asm)
list(LENGTH examples count)
if(count LESS 3)
  message(FATAL_ERROR "expected the shipped examples under ${prefix}/share/zerka-ide/examples, "
    "found: ${examples}")
endif()
set(mine ${root}/home/my-project)
file(MAKE_DIRECTORY ${mine})
foreach(example ${examples})
  get_filename_component(name ${example} NAME)
  file(COPY ${example} DESTINATION ${mine})
  # The chip the example is written for: the header it includes.
  file(STRINGS ${example} includes REGEX "^[ \t]*INCLUDE[ \t]")
  list(GET includes 0 first)
  if(NOT first MATCHES "INCLUDE[ \t]+([A-Za-z0-9_]+)\\.[Ii][Nn][Cc]")
    message(FATAL_ERROR "${name}: no chip header included by name: ${first}")
  endif()
  set(chip ${CMAKE_MATCH_1})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=ZERKA_HOME HOME=${root}/home
      XDG_CONFIG_HOME=${root}/home/.config
      ${prefix}/bin/zerka asm --chip ${chip} ${mine}/${name}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} (chip ${chip}) does not assemble from the installed tree "
      "(exit ${rc}):\n${out}${err}")
  endif()
  message(STATUS "${name} (${chip}): ${out}")
endforeach()
