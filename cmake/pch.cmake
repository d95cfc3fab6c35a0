# Precompiled headers for the headless test programs: GoogleTest, GoogleMock and the standard
# library are parsed once, by zerka_testsupport, and every test program reuses that header set
# (REUSE_FROM: they share its compile flags). Measured with bench/compile_cost.py, a test file
# compiles 10-15 % faster; the libraries gained nothing (their time is code generation and the
# project's own headers, and loading a set costs about as much as a small file), so they have
# none, except `zerka_cli`: CLI11 is header-only and took 15-20 s of compiler time in every file
# that declares options, so it is parsed once for the library. The GUI tests have none: Qt's
# headers define the keyword macro `emit`, which core/signal.h uses as a name, so a Qt header
# set first in every file would need QT_NO_EMIT.
option(ZERKA_PCH "Precompiled headers for the test programs and zerka_cli" ON)
if(NOT ZERKA_PCH OR ZERKA_FUZZ)
  return()
endif()

target_precompile_headers(zerka_testsupport PRIVATE
  <algorithm> <array> <chrono> <cstdint> <cstdio> <cstring> <filesystem> <fstream> <functional>
  <map> <memory> <optional> <set> <span> <sstream> <string> <string_view> <unordered_map>
  <utility> <vector> <gtest/gtest.h> <gmock/gmock.h>)
# A header set the compiler cannot use (other flags) would be a silent slowdown: say so.
target_compile_options(zerka_testsupport PRIVATE -Winvalid-pch)
get_property(zerka_test_targets DIRECTORY ${PROJECT_SOURCE_DIR}/tests PROPERTY BUILDSYSTEM_TARGETS)
foreach(t ${zerka_test_targets})
  get_target_property(type ${t} TYPE)
  if(t MATCHES "^test_" AND NOT t MATCHES "^test_gui_" AND type STREQUAL EXECUTABLE)
    target_precompile_headers(${t} REUSE_FROM zerka_testsupport)
    target_compile_options(${t} PRIVATE -Winvalid-pch)
  endif()
endforeach()

target_precompile_headers(zerka_cli PRIVATE <CLI/CLI.hpp>)
target_compile_options(zerka_cli PRIVATE -Winvalid-pch)
