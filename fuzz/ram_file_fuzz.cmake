zerka_add_fuzzer(ram_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/ram_file_fuzz.cpp DEPS zerka_views)
