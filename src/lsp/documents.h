#pragma once
// The texts the editor has open. An open document's text, saved or not, is what the analysis
// reads for that file; every other file comes from disk.
#include "core/file_key.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerka::lsp {

// file:// URIs and paths (percent-encoding of the path's bytes).
std::optional<std::filesystem::path> pathFromUri(std::string_view uri);
std::string uriFromPath(const std::filesystem::path& path);

using zerka::fileKey;

struct Document {
    std::string uri;
    std::filesystem::path path;
    std::string text;
    int64_t version = 0;
};

// A position in a text: zero-based line and UTF-16 column, as the protocol counts.
struct TextPosition {
    int line = 0;
    int character = 0;
};

// Byte offset of a position inside its line (a column past the end gives the line's end).
size_t byteColumn(std::string_view lineText, int utf16Column);
// UTF-16 column of a byte offset inside a line.
int utf16Column(std::string_view lineText, size_t byteOffset);
// The lines of a text without their line ends ("\n", "\r\n").
std::vector<std::string_view> splitLines(std::string_view text);

// One edit of textDocument/didChange: a range (start and end) replaced by text, or the whole
// text when the range is absent.
struct TextEdit {
    std::optional<TextPosition> start, end;
    std::string text;
};
// Applies an edit; false (text unchanged) when the range lies outside the text.
bool applyEdit(std::string& text, const TextEdit& edit);

class DocumentStore {
  public:
    void open(const std::string& uri, std::string text, int64_t version);
    // False when the document is not open or an edit does not fit.
    bool change(const std::string& uri, const std::vector<TextEdit>& edits, int64_t version);
    void close(const std::string& uri);

    const Document* byUri(const std::string& uri) const;
    const Document* byPath(const std::filesystem::path& path) const;
    std::vector<const Document*> all() const;
    size_t size() const { return docs_.size(); }

    // The text of a file: an open document's, else the file on disk (plain files only).
    bool read(const std::filesystem::path& path, std::string& content) const;

  private:
    std::map<std::string, Document> docs_;     // by URI
    std::map<std::string, std::string> byKey_; // file key -> URI
};

} // namespace zerka::lsp
