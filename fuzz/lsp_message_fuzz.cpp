// The language server reads whatever an editor (or anything else on its standard input)
// sends. Whatever the bytes, reading must end, memory must stay bounded, and every request
// with an id must get exactly one answer.
#include "lsp/framing.h"
#include "lsp/server.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>

#include <nlohmann/json.hpp>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using nlohmann::json;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    constexpr size_t kMaxBody = 1 << 16;
    zerka::lsp::FrameParser parser(kMaxBody);
    std::map<std::string, int> answers;
    std::map<std::string, int> asked;
    zerka::lsp::Server server([&](const json& m) {
        if (m.contains("id") && !m["id"].is_null()) ++answers[m["id"].dump()];
    });
    server.setDebounce(std::chrono::milliseconds(0));
    // The first byte chooses the piece size, so frames are also split at odd places.
    const size_t piece = size == 0 ? 1 : 1 + uint8_t(bytes[0]) % 64;
    for (size_t i = 0; i < bytes.size(); i += piece) {
        parser.feed(bytes.substr(i, piece));
        if (parser.buffered() > kMaxBody + zerka::lsp::FrameParser::kMaxHeader + 64) std::abort();
        while (auto frame = parser.next()) {
            if (!frame->ok) {
                server.protocolError(zerka::lsp::kParseError, frame->error);
                continue;
            }
            const json message = json::parse(frame->body, nullptr, false);
            if (message.is_discarded()) {
                server.protocolError(zerka::lsp::kParseError, "the message is not valid JSON");
                continue;
            }
            const bool request = message.is_object() && message.contains("id") &&
                                 message.contains("method") &&
                                 (message["id"].is_string() || message["id"].is_number_integer());
            server.handle(message);
            if (request) ++asked[message["id"].dump()];
            server.tick(true);
        }
    }
    for (const auto& [id, n] : asked)
        if (answers[id] != n) std::abort();
    return 0;
}
