#include "chip/options_calibration_marker.h"

#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/text.h"

#include <exception>
#include <system_error>

namespace zerka {

std::optional<std::string> calibrationMarkerFileName(std::string_view chipText) {
    const std::string_view head = chipText.substr(0, 5);
    if (head.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
        return std::nullopt;
    }
    return "Zk" + std::string(head) + ".mem";
}

CalibrationMarker calibrationMarkerFromText(std::string_view text) {
    CalibrationMarker marker;
    marker.found = true;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = toUpperAscii(stripCarriageReturn(text.substr(pos, end - pos)));
        pos = end + 1;
        marker.editBoxes = true;
        marker.softwareSwitches = true;
        if (line != "#HAO") {
            // Every switch is on offer now; later lines cannot change anything.
            marker.hardwareSwitch = true;
            break;
        }
    }
    return marker;
}

CalibrationMarker readCalibrationMarker(const std::filesystem::path& includeDir,
                                        std::string_view chipText) {
    const std::optional<std::string> name = calibrationMarkerFileName(chipText);
    if (!name) return {};
    const auto path = findFileCaseInsensitive(includeDir, *name);
    if (!path) return {};
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*path, ec)) return {};
    std::string text;
    try {
        if (!readFileBytes(*path, text)) return {};
    } catch (const std::exception&) {
        // An unreadable marker offers nothing, like a missing one.
        return {};
    }
    return calibrationMarkerFromText(text);
}

} // namespace zerka
