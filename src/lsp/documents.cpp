#include "lsp/documents.h"

#include <system_error>

#include "core/atomic_file.h"
#include "core/chars.h"
#include "core/split.h"
#include "core/text.h"

namespace zerka::lsp {
namespace fs = std::filesystem;

std::optional<fs::path> pathFromUri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) return std::nullopt;
    uri.remove_prefix(scheme.size());
    // "file://host/path": only the local host is ours.
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    uri.remove_prefix(slash);
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const int h = hexDigitValue(uri[i + 1]), l = hexDigitValue(uri[i + 2]);
            if (h >= 0 && l >= 0) {
                out += char(h * 16 + l);
                i += 2;
                continue;
            }
        }
        if (uri[i] == '?' || uri[i] == '#') break;
        out += uri[i];
    }
    if (out.find('\0') != std::string::npos) return std::nullopt;
    return fs::path(out).lexically_normal();
}

std::string uriFromPath(const fs::path& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path.generic_string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

size_t byteColumn(std::string_view line, int utf16) {
    size_t i = 0;
    int units = 0;
    while (i < line.size() && units < utf16) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        size_t len = 1;
        int u = 1;
        if (c >= 0xF0) {
            len = 4;
            u = 2;
        } else if (c >= 0xE0) {
            len = 3;
        } else if (c >= 0xC0) {
            len = 2;
        }
        i = std::min(line.size(), i + len);
        units += u;
    }
    return i;
}

int utf16Column(std::string_view line, size_t byteOffset) {
    int units = 0;
    for (size_t i = 0; i < line.size() && i < byteOffset; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c & 0xC0) == 0x80) continue; // continuation byte
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines = splitAt(text, '\n');
    for (std::string_view& l : lines)
        l = stripCarriageReturn(l);
    return lines;
}

namespace {

// Byte offset of a position in the whole text; nothing when the line does not exist.
std::optional<size_t> offsetOf(std::string_view text, const TextPosition& p) {
    if (p.line < 0 || p.character < 0) return std::nullopt;
    size_t start = 0;
    for (int l = 0; l < p.line; ++l) {
        const size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) return std::nullopt;
        start = nl + 1;
    }
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return start + byteColumn(line, p.character);
}

} // namespace

bool applyEdit(std::string& text, const TextEdit& edit) {
    if (!edit.start || !edit.end) {
        text = edit.text;
        return true;
    }
    const std::optional<size_t> a = offsetOf(text, *edit.start);
    const std::optional<size_t> b = offsetOf(text, *edit.end);
    if (!a || !b || *b < *a) return false;
    text.replace(*a, *b - *a, edit.text);
    return true;
}

void DocumentStore::open(const std::string& uri, std::string text, int64_t version) {
    close(uri);
    Document d;
    d.uri = uri;
    d.path = pathFromUri(uri).value_or(fs::path());
    d.text = std::move(text);
    d.version = version;
    if (!d.path.empty()) byKey_[fileKey(d.path)] = uri;
    docs_[uri] = std::move(d);
}

bool DocumentStore::change(const std::string& uri, const std::vector<TextEdit>& edits,
                           int64_t version) {
    auto it = docs_.find(uri);
    if (it == docs_.end()) return false;
    std::string text = it->second.text;
    for (const TextEdit& e : edits)
        if (!applyEdit(text, e)) return false;
    it->second.text = std::move(text);
    it->second.version = version;
    return true;
}

void DocumentStore::close(const std::string& uri) {
    auto it = docs_.find(uri);
    if (it == docs_.end()) return;
    if (!it->second.path.empty()) byKey_.erase(fileKey(it->second.path));
    docs_.erase(it);
}

const Document* DocumentStore::byUri(const std::string& uri) const {
    auto it = docs_.find(uri);
    return it == docs_.end() ? nullptr : &it->second;
}

const Document* DocumentStore::byPath(const fs::path& path) const {
    auto it = byKey_.find(fileKey(path));
    return it == byKey_.end() ? nullptr : byUri(it->second);
}

std::vector<const Document*> DocumentStore::all() const {
    std::vector<const Document*> v;
    for (const auto& [uri, d] : docs_)
        v.push_back(&d);
    return v;
}

bool DocumentStore::read(const fs::path& path, std::string& content) const {
    if (const Document* d = byPath(path)) {
        content = d->text;
        return true;
    }
    return readFileBytes(path, content);
}

} // namespace zerka::lsp
