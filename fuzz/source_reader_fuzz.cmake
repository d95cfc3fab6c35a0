zerka_add_fuzzer(source_reader_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/source_reader_fuzz.cpp DEPS zerka_asm)
