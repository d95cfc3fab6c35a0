#include "views/source_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace zerka {

std::string expandTabs(std::string_view line) {
    std::string out;
    out.reserve(line.size() + 8);
    for (char c : line) {
        if (c != '\t') {
            out.push_back(c);
            continue;
        }
        do {
            out.push_back(' ');
        } while (out.size() % kSourceTabWidth != 0);
    }
    return out;
}

namespace {

std::string captionOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

SourceFile::SourceFile(std::string path) : path_(std::move(path)), caption_(captionOf(path_)) {
    std::ifstream in(path_, std::ios::binary);
    std::string text;
    if (in) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        readable_ = !in.bad();
    } else {
        readable_ = false;
    }
    split(readable_ ? std::string_view(text) : std::string_view());
}

SourceFile::SourceFile(std::string path, std::string_view text)
    : path_(std::move(path)), caption_(captionOf(path_)) {
    split(text);
}

void SourceFile::split(std::string_view text) {
    buffer_.reserve(text.size() + text.size() / 8);
    start_.push_back(0);
    size_t pos = 0;
    // An empty file still has one row; a final line end does not start another row.
    do {
        const size_t end = text.find('\n', pos);
        std::string_view line =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\t') == std::string_view::npos)
            buffer_.append(line);
        else
            buffer_.append(expandTabs(line));
        widest_ = std::max<size_t>(widest_, buffer_.size() - start_.back());
        start_.push_back(uint32_t(buffer_.size()));
        pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
    } while (pos < text.size() && start_.size() <= size_t(kMaxSourceRows));
    const size_t rows = start_.size() - 1;
    address_.assign(rows, kNoRowAddress);
    record_.assign(rows, 0);
    breakpoint_.assign(rows, 0);
}

std::string_view SourceFile::text(int32_t row) const {
    const size_t i = size_t(row - 1);
    return std::string_view(buffer_).substr(start_[i], start_[i + 1] - start_[i]);
}

} // namespace zerka
