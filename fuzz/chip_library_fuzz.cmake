zerka_add_fuzzer(chip_library_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/chip_library_fuzz.cpp DEPS zerka_chip)
