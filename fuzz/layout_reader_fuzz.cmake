zerka_add_fuzzer(layout_reader_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/layout_reader_fuzz.cpp DEPS zerka_shell)
