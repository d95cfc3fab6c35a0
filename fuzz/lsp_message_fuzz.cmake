zerka_add_fuzzer(lsp_message_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/lsp_message_fuzz.cpp DEPS zerka_lsp)
