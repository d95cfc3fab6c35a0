zerka_add_fuzzer(sram_csv_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/sram_csv_fuzz.cpp DEPS zerka_views)
