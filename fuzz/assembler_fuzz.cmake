zerka_add_fuzzer(assembler_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/assembler_fuzz.cpp DEPS zerka_asm)
