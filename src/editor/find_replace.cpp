#include "editor/find_replace.h"

#include <vector>

namespace zerka {

namespace {

enum class CharClass { Space, Word, Punctuation };

CharClass classOf(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ') return CharClass::Space;
    if (u >= 0x80 || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
        (c >= 'a' && c <= 'z'))
        return CharClass::Word;
    return CharClass::Punctuation;
}

bool wordStartAt(std::string_view text, size_t pos) {
    if (pos == 0) return true;
    if (pos >= text.size()) return false;
    const CharClass here = classOf(text[pos]);
    return here != CharClass::Space && here != classOf(text[pos - 1]);
}

bool wordEndAt(std::string_view text, size_t pos) {
    if (pos >= text.size()) return true;
    if (pos == 0) return false;
    const CharClass before = classOf(text[pos - 1]);
    return before != CharClass::Space && before != classOf(text[pos]);
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool sameAt(std::string_view text, size_t pos, std::string_view needle, bool matchCase) {
    if (matchCase) return text.compare(pos, needle.size(), needle) == 0;
    for (size_t i = 0; i < needle.size(); ++i)
        if (upper(text[pos + i]) != upper(needle[i])) return false;
    return true;
}

bool sameText(std::string_view a, std::string_view b, bool matchCase) {
    return a.size() == b.size() && sameAt(a, 0, b, matchCase);
}

} // namespace

std::optional<TextRange> findIn(std::string_view text, std::string_view needle, long from,
                                FindOptions options) {
    if (needle.empty() || from < 0 || needle.size() > text.size()) return std::nullopt;
    const char first = upper(needle[0]);
    for (size_t pos = size_t(from); pos + needle.size() <= text.size(); ++pos) {
        const char c = text[pos];
        if (options.matchCase ? c != needle[0] : upper(c) != first) continue;
        if (!sameAt(text, pos, needle, options.matchCase)) continue;
        if (options.wholeWord && !(wordStartAt(text, pos) && wordEndAt(text, pos + needle.size())))
            continue;
        return TextRange{long(pos), long(pos + needle.size())};
    }
    return std::nullopt;
}

std::optional<TextRange> quickFind(TextBuffer& text, std::string_view needle) {
    const auto found = findIn(text.bytes(), needle, text.selectionEnd(), {});
    if (found) text.select(found->end, found->end);
    return found;
}

std::optional<TextRange> findNext(TextBuffer& text, std::string_view needle, FindOptions options) {
    const auto found = findIn(text.bytes(), needle, text.selectionEnd(), options);
    if (found) text.select(found->start, found->end);
    return found;
}

int replaceMatches(TextBuffer& text, std::string_view needle, std::string_view replacement,
                   FindOptions options, bool all, const std::function<bool()>& keepGoing) {
    if (needle.empty()) return 0;
    // The matches are found in the text as it is, left to right, each search going on after
    // the previous match (the replacement itself is never searched); they are then replaced
    // from the last to the first so that the earlier positions stay valid.
    const std::string_view bytes = text.bytes();
    std::vector<TextRange> matches;
    const long selStart = text.selectionStart();
    const long selEnd = text.selectionEnd();
    long from = selEnd;
    if (selEnd > selStart && sameText(bytes.substr(size_t(selStart), size_t(selEnd - selStart)),
                                      needle, options.matchCase))
        matches.push_back({selStart, selEnd});
    while (all || matches.empty()) {
        const auto found = findIn(bytes, needle, from, options);
        if (!found) break;
        matches.push_back(*found);
        from = found->end;
    }
    if (matches.empty()) return 0;
    constexpr size_t kAskEvery = 256;
    text.beginUndoGroup();
    size_t done = 0;
    for (size_t i = matches.size(); i-- > 0;) {
        text.replace(matches[i].start, matches[i].end, replacement);
        // A false answer may mean the text is gone (the window closed): leave it untouched.
        if (++done % kAskEvery == 0 && keepGoing && !keepGoing()) return int(done);
    }
    text.endUndoGroup();
    const long delta = long(replacement.size()) - long(needle.size());
    const long last =
        matches.back().start + long(matches.size() - 1) * delta + long(replacement.size());
    text.select(last, last);
    return int(done);
}

} // namespace zerka
