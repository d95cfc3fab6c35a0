zerka_add_fuzzer(dap_message_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/dap_message_fuzz.cpp DEPS zerka_dap)
