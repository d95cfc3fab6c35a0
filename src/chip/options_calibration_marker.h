#pragma once
// The calibration page's marker file: "Zk" + the first five characters of the chip selector's
// text + ".mem" in the chip library folder. Its presence and lines decide which calibration
// switches and edit boxes the page offers: a line "#HAO" offers the two software switches,
// any other line all three switches.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zerka {

struct CalibrationMarker {
    bool found = false;            // the marker file exists and could be read
    bool softwareSwitches = false; // both "Enable S/W Calibration" switches
    bool hardwareSwitch = false;   // "Enable H/W Calibration"
    bool editBoxes = false;        // HAO target, permissible error, LPO target
};

// "Zk" + the first five characters of `chipText` + ".mem". Nothing when those characters hold a
// path separator or a NUL, so a chip list entry cannot point the lookup outside the folder.
std::optional<std::string> calibrationMarkerFileName(std::string_view chipText);

// Reads the marker file for `chipText` in `includeDir` (found case-insensitively).
CalibrationMarker readCalibrationMarker(const std::filesystem::path& includeDir,
                                        std::string_view chipText);

// The rule on the file's text alone.
CalibrationMarker calibrationMarkerFromText(std::string_view text);

} // namespace zerka
