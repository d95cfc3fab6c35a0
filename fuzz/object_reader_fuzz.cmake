zerka_add_fuzzer(object_reader_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/object_reader_fuzz.cpp DEPS zerka_asm)
