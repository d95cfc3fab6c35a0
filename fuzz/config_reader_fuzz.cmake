zerka_add_fuzzer(config_reader_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/config_reader_fuzz.cpp DEPS zerka_shell)
