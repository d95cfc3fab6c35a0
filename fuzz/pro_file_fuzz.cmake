zerka_add_fuzzer(pro_file_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pro_file_fuzz.cpp DEPS zerka_views)
