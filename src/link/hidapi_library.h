#pragma once
// The HID form of the unit through hidapi (hidraw). Index i is the i-th HID device with the
// unit's vendor and product IDs; reports are presented with their report-ID byte first.
#include "link/usb_backend.h"

#include <memory>

namespace zerka {

// Reports of the unit: report ID 0 and 64 data bytes.
constexpr uint16_t kHidReportLength = 65;

std::unique_ptr<HidLibrary> makeHidapiLibrary();

} // namespace zerka
