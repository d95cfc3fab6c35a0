#pragma once
// Find and replace over a document's text. Searches run downwards from the end of the
// selection and stop at the end of the text (no wrap). Letter case is compared in ASCII, as
// the assembler does.
#include "editor/text_buffer.h"

#include <functional>
#include <optional>
#include <string_view>

namespace zerka {

struct FindOptions {
    bool matchCase = false;
    // Both ends of a match lie on a word boundary: letters, digits, "_" and bytes from 80h on
    // form words; blanks and line ends separate; every other character is punctuation.
    bool wholeWord = false;
};

struct TextRange {
    long start = 0;
    long end = 0;
    bool operator==(const TextRange&) const = default;
};

// The first match at or after `from`; nothing for an empty needle or no match.
std::optional<TextRange> findIn(std::string_view text, std::string_view needle, long from,
                                FindOptions options);

// The editor's own find: ignoring case, from the end of the selection; found, the caret goes
// after the match with nothing selected. The match, or nothing (the caller beeps).
std::optional<TextRange> quickFind(TextBuffer& text, std::string_view needle);

// The standard dialog's find next: from the end of the selection; found, the match is
// selected.
std::optional<TextRange> findNext(TextBuffer& text, std::string_view needle, FindOptions options);

// Replace (once, or all matches from the selection on): a selection that is the find text is
// replaced first; then each further match. The caret ends after the last replacement. All
// replacements undo as one. `keepGoing` is asked every so often during a long replace-all and
// stops it when it answers false (the text is not touched again: it may be gone). Returns how
// many were replaced.
int replaceMatches(TextBuffer& text, std::string_view needle, std::string_view replacement,
                   FindOptions options, bool all, const std::function<bool()>& keepGoing = {});

} // namespace zerka
