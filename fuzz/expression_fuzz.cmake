zerka_add_fuzzer(expression_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/expression_fuzz.cpp DEPS zerka_asm)
