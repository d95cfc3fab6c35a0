#pragma once
// The UI text table: every caption, menu text, hint and most messages, each as an English and a
// Traditional Chinese text. Entry k holds its English text at position 2k and its Chinese text
// at 2k + 1. The interface always shows English, except for the few entries that the options
// language selector switches (TextOfLanguage).
#include <string>

namespace zerka {

inline constexpr int kTextTableSize = 302;

// Entries whose text follows the language selector.
bool IsLanguageSwitchedEntry(int entry);

// The English text of an entry; empty for an entry outside the table.
const std::string& TextOf(int entry);
// The text at position 2 * entry + language (0 English, 1 Chinese); only the entries of
// IsLanguageSwitchedEntry appear in Chinese, every other entry gives its English text.
const std::string& TextOfLanguage(int entry, int language);

} // namespace zerka
