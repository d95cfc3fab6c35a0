zerka_add_fuzzer(link_ice_replies ${CMAKE_CURRENT_SOURCE_DIR}/link_ice_replies.cpp DEPS zerka_link)
