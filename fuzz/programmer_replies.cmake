zerka_add_fuzzer(programmer_replies ${CMAKE_CURRENT_SOURCE_DIR}/programmer_replies.cpp
  DEPS zerka_programmer)
