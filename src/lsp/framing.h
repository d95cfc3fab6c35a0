#pragma once
// JSON-RPC messages in Content-Length frames, as the language server protocol sends them.
// The parser takes bytes in any pieces and hands out whole message bodies; a frame it cannot
// make sense of is reported once and skipped, so one bad message never stops the server.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace zerka::lsp {

struct Frame {
    bool ok = false;
    std::string body;  // the message body when ok
    std::string error; // why the frame was refused when not ok
};

class FrameParser {
  public:
    // A body larger than this is refused (and skipped without being kept in memory).
    static constexpr size_t kDefaultMaxBody = 64u << 20;
    // A header block longer than this is refused: a peer that never sends the blank line.
    static constexpr size_t kMaxHeader = 8192;

    explicit FrameParser(size_t maxBody = kDefaultMaxBody) : maxBody_(maxBody) {}

    void feed(std::string_view bytes);
    // The next complete frame, or nothing until more bytes arrive.
    std::optional<Frame> next();
    // Bytes held (for tests of the memory bound).
    size_t buffered() const { return buffer_.size() - pos_; }

  private:
    void compact();

    size_t maxBody_;
    std::string buffer_;
    size_t pos_ = 0;
    size_t skipping_ = 0;          // bytes of a refused body still to drop
    std::optional<size_t> length_; // header read, body of that length awaited
};

// One message in its frame.
std::string frameMessage(const nlohmann::json& message);

// JSON-RPC error codes the server answers with.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;

} // namespace zerka::lsp
