#pragma once
// Engineer mode of the options dialog: typing the letters Z, E, R, K, A in a row (any case)
// while the dialog has the focus switches it on for the rest of the session. The first letter
// always starts the sequence again, each later letter counts only in its turn, any other key
// starts over.
#include <string>
#include <string_view>

namespace zerka {

inline constexpr std::string_view kEngineerSequence = "ZERKA";

class EngineerKeySequence {
  public:
    // Feeds one typed character. True exactly when it completes the sequence.
    bool feed(char typed);
    // Letters of the sequence matched so far (0 after a completion).
    size_t progress() const { return matched_; }

  private:
    size_t matched_ = 0;
};

// The main window's caption when engineer mode is switched on. `uiText` is the UI text table's
// entry that follows "ZKIDE".
std::string engineerCaption(std::string_view uiText, std::string_view chipListVersion,
                            std::string_view chipText, std::string_view interfaceText,
                            std::string_view projectFile);

} // namespace zerka
