#include "dap/dap_frames.h"

#include <charconv>

namespace zerka::dap {

std::optional<Frame> FrameReader::next() {
    for (;;) {
        if (length_) {
            if (buffer_.size() < *length_) return std::nullopt;
            Frame f{true, buffer_.substr(0, *length_), {}};
            buffer_.erase(0, *length_);
            length_.reset();
            return f;
        }
        const size_t end = buffer_.find("\r\n\r\n");
        if (end == std::string::npos) {
            if (buffer_.size() <= kMaxHeader) return std::nullopt;
            buffer_.clear();
            return Frame{false, {}, "header too long or not terminated"};
        }
        const std::string header = buffer_.substr(0, end);
        buffer_.erase(0, end + 4);
        std::optional<size_t> length;
        size_t start = 0;
        while (start < header.size()) {
            size_t nl = header.find("\r\n", start);
            if (nl == std::string::npos) nl = header.size();
            std::string_view line(header.data() + start, nl - start);
            start = nl + 2;
            constexpr std::string_view key = "content-length:";
            if (line.size() < key.size()) continue;
            bool match = true;
            for (size_t i = 0; i < key.size(); ++i)
                if (char(std::tolower(static_cast<unsigned char>(line[i]))) != key[i])
                    match = false;
            if (!match) continue;
            line.remove_prefix(key.size());
            while (!line.empty() && line.front() == ' ')
                line.remove_prefix(1);
            size_t n = 0;
            const auto [p, ec] = std::from_chars(line.data(), line.data() + line.size(), n);
            if (ec == std::errc{} && p == line.data() + line.size() && !line.empty()) length = n;
        }
        if (!length) return Frame{false, {}, "frame without a readable Content-Length"};
        if (*length > kMaxBody) {
            buffer_.clear();
            return Frame{
                false, {}, "message of " + std::to_string(*length) + " bytes is too large"};
        }
        length_ = length;
    }
}

std::string frameBody(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

} // namespace zerka::dap
