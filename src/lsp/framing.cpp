#include "lsp/framing.h"

#include <charconv>

#include <nlohmann/json.hpp>

namespace zerka::lsp {
namespace {

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

void FrameParser::feed(std::string_view bytes) {
    if (skipping_ > 0) {
        const size_t drop = std::min(skipping_, bytes.size());
        skipping_ -= drop;
        bytes.remove_prefix(drop);
    }
    buffer_.append(bytes);
}

void FrameParser::compact() {
    if (pos_ > 0 && (pos_ >= buffer_.size() || pos_ > (1u << 16))) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
}

std::optional<Frame> FrameParser::next() {
    for (;;) {
        compact();
        const std::string_view rest = std::string_view(buffer_).substr(pos_);
        if (length_) {
            if (rest.size() < *length_) return std::nullopt;
            Frame f;
            f.ok = true;
            f.body.assign(rest.substr(0, *length_));
            pos_ += *length_;
            length_.reset();
            return f;
        }
        // Blank lines between frames are tolerated.
        if (rest.starts_with("\r\n")) {
            pos_ += 2;
            continue;
        }
        if (rest.starts_with("\n")) {
            pos_ += 1;
            continue;
        }
        size_t end = rest.find("\r\n\r\n");
        size_t sep = 4;
        if (end == std::string_view::npos) {
            end = rest.find("\n\n");
            sep = 2;
        }
        if (end == std::string_view::npos) {
            if (rest.size() > kMaxHeader) {
                // No header ends in sight: drop what we hold and wait for a fresh frame.
                pos_ = buffer_.size();
                return Frame{false, {}, "header too long or not terminated"};
            }
            return std::nullopt;
        }
        const std::string_view header = rest.substr(0, end);
        pos_ += end + sep;
        std::optional<size_t> length;
        bool badLength = false;
        size_t lineStart = 0;
        while (lineStart <= header.size()) {
            size_t nl = header.find('\n', lineStart);
            if (nl == std::string_view::npos) nl = header.size();
            const std::string_view line = trim(header.substr(lineStart, nl - lineStart));
            lineStart = nl + 1;
            if (startsWithIgnoreCase(line, "content-length:")) {
                const std::string_view v = trim(line.substr(15));
                size_t n = 0;
                auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
                if (ec != std::errc{} || p != v.data() + v.size() || v.empty())
                    badLength = true;
                else
                    length = n;
            }
        }
        if (badLength || !length) {
            return Frame{false,
                         {},
                         badLength ? "Content-Length is not a number"
                                   : "frame without Content-Length"};
        }
        if (*length > maxBody_) {
            const size_t have = std::min(*length, buffer_.size() - pos_);
            pos_ += have;
            skipping_ = *length - have;
            return Frame{false,
                         {},
                         "message of " + std::to_string(*length) +
                             " bytes is larger than the server accepts"};
        }
        length_ = length;
    }
}

std::string frameMessage(const nlohmann::json& message) {
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

} // namespace zerka::lsp
