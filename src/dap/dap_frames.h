#pragma once
// Debug adapter messages in Content-Length frames. The reader takes bytes in any pieces and
// hands out whole bodies; a header it cannot read is reported and skipped.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zerka::dap {

struct Frame {
    bool ok = false;
    std::string body;  // when ok
    std::string error; // why the frame was refused
};

class FrameReader {
  public:
    static constexpr size_t kMaxBody = 64u << 20;
    static constexpr size_t kMaxHeader = 8192;

    void feed(std::string_view bytes) { buffer_.append(bytes); }
    std::optional<Frame> next();

  private:
    std::string buffer_;
    std::optional<size_t> length_;
};

std::string frameBody(const std::string& body);

} // namespace zerka::dap
