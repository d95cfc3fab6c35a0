zerka_add_fuzzer(inst_txt_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/inst_txt_fuzz.cpp DEPS zerka_upcentre_core)
