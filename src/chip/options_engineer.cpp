#include "chip/options_engineer.h"

namespace zerka {

namespace {
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
} // namespace

bool EngineerKeySequence::feed(char typed) {
    const char c = upper(typed);
    if (c == kEngineerSequence[0]) {
        matched_ = 1;
    } else if (matched_ > 0 && c == kEngineerSequence[matched_]) {
        ++matched_;
    } else {
        matched_ = 0;
    }
    if (matched_ == kEngineerSequence.size()) {
        matched_ = 0;
        return true;
    }
    return false;
}

std::string engineerCaption(std::string_view uiText, std::string_view chipListVersion,
                            std::string_view chipText, std::string_view interfaceText,
                            std::string_view projectFile) {
    std::string caption = "ZKIDE";
    caption += uiText;
    caption += " ";
    caption += chipListVersion;
    caption += "-Engineer";
    caption += "        Chip = ZK - ";
    caption += chipText;
    caption += "     ICE Inteface = ";
    caption += interfaceText;
    caption += "   Project = ";
    caption += projectFile;
    return caption;
}

} // namespace zerka
