// The window layout file is read once at start-up; whatever it holds, at most 40 records are
// taken and writing them back gives the same records.
#include "shell/window_layout.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zerka::WindowLayout layout;
    if (!layout.parse(text)) {
        if (!layout.records().empty()) std::abort();
        return 0;
    }
    if (layout.records().size() > size_t(zerka::kMaxLayoutRecords)) std::abort();
    zerka::WindowLayout back;
    if (!back.parse(layout.format())) std::abort();
    // A name holding a carriage return or nothing cannot be told apart when read back.
    for (const auto& w : layout.records())
        if (w.name.find('\r') != std::string::npos || w.name.find('\n') != std::string::npos)
            return 0;
    if (back.records() != layout.records()) std::abort();
    return 0;
}
