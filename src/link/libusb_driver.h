#pragma once
// The bulk form of the unit through libusb: device n is the n-th attached device with the
// unit's vendor and product IDs; pipe 0 is its bulk IN endpoint, pipe 1 its bulk OUT endpoint.
#include "link/usb_backend.h"

#include <memory>

namespace zerka {

// Transfers give up after this long, so an unplugged or hung unit never blocks the program.
constexpr unsigned kUsbTransferTimeoutMs = 3000;

std::unique_ptr<BulkDriver> makeLibusbDriver();

} // namespace zerka
