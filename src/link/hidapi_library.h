#pragma once
// The HID form of the unit through hidapi (hidraw). Index i is the i-th HID device with the
// unit's vendor and product IDs; reports are presented with their report-ID byte first.
#include "link/usb_backend.h"

#include <memory>

namespace zerka {

std::unique_ptr<HidLibrary> makeHidapiLibrary();

} // namespace zerka
