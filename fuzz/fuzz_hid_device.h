#pragma once
// A fuzzing unit seen through HID reports: aborts on any report that is not 65 bytes with
// report ID 0, so a harness catches the link writing or reading outside the report rules.
#include "link/packet_transport.h"
#include "link/usb_backend.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace zerka::fuzz {

class FuzzHidDevice : public HidDevice {
  public:
    explicit FuzzHidDevice(PacketTransport& unit) : unit_(unit) {}
    bool getAttributes(HidAttributes& out) override {
        out = {65, 65, kHidVendorId, kHidProductId, kHidVersion};
        return true;
    }
    bool writeReport(const uint8_t* report, size_t length) override {
        if (length != 65 || report[0] != 0) std::abort();
        return unit_.write(report + 1, 64);
    }
    bool readReport(uint8_t* report, size_t length) override {
        if (length != 65) std::abort();
        report[0] = 0;
        return unit_.read(report + 1, 64);
    }
    int lastError() const override { return 0; }

  private:
    PacketTransport& unit_;
};

class FuzzHidLibrary : public HidLibrary {
  public:
    explicit FuzzHidLibrary(PacketTransport& unit) : unit_(unit) {}
    std::unique_ptr<HidDevice> getDevice(int index, bool& present, std::string&) override {
        present = index == 0;
        return present ? std::make_unique<FuzzHidDevice>(unit_) : nullptr;
    }

  private:
    PacketTransport& unit_;
};

} // namespace zerka::fuzz
