#pragma once
// The fuzzer's input read byte by byte; zeros once it is used up.
#include <cstddef>
#include <cstdint>

namespace zerka::fuzz {

class Feed {
  public:
    Feed(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool done() const { return pos_ >= size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace zerka::fuzz
