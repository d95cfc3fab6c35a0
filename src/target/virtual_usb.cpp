#include "target/virtual_usb.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace zerka {

namespace {

constexpr uint8_t kBulkInEndpoint = 0x81;
constexpr uint8_t kBulkOutEndpoint = 0x02;
constexpr uint8_t kPipeBulk = 2;

// What both virtual devices keep: the unit behind them, how long they wait for its answer, and
// the system error of their last failure (each device type reports its own code).
class VirtualDevice {
  protected:
    VirtualDevice(TargetUnit& unit, std::chrono::milliseconds timeout, int failureCode)
        : unit_(unit), timeout_(timeout), failureCode_(failureCode) {}

    bool fail() {
        lastError_ = failureCode_;
        return false;
    }

    TargetUnit& unit_;
    std::chrono::milliseconds timeout_;
    int failureCode_;
    int lastError_ = 0;
};

class VirtualBulkDevice : public BulkDevice, private VirtualDevice {
  public:
    // 31: "a device attached to the system is not functioning"
    VirtualBulkDevice(TargetUnit& unit, std::chrono::milliseconds timeout)
        : VirtualDevice(unit, timeout, 31) {}

    bool readDeviceDescriptor(UsbDeviceDescriptor& out) override {
        if (unit_.unplugged()) return fail();
        out.bytes = {18,
                     1,
                     0x00,
                     0x02,
                     0xFF,
                     0,
                     0,
                     64,
                     kBulkVendorId & 0xFF,
                     kBulkVendorId >> 8,
                     kBulkProductId & 0xFF,
                     kBulkProductId >> 8,
                     0x00,
                     0x01,
                     1,
                     2,
                     0,
                     1};
        return true;
    }
    bool readPipeInfo(std::array<PipeInfo, 2>& out) override {
        if (unit_.unplugged()) return fail();
        const uint16_t size = static_cast<uint16_t>(unit_.packetLimit());
        out[0] = {size, kBulkInEndpoint, 0, kPipeBulk, 1, 4096, 0};
        out[1] = {size, kBulkOutEndpoint, 0, kPipeBulk, 2, 4096, 0};
        return true;
    }
    bool bulkWrite(uint32_t pipe, const uint8_t* data, size_t n) override {
        if (pipe != 1) return fail();
        return unit_.hostWrite(data, n) || fail();
    }
    bool bulkRead(uint32_t pipe, uint8_t* data, size_t n) override {
        if (pipe != 0 || !awaitAnswer(unit_, timeout_)) return fail();
        size_t got = 0;
        return unit_.hostRead(data, n, got) || fail();
    }
    int lastError() const override { return lastError_; }
};

class VirtualHidDevice : public HidDevice, private VirtualDevice {
  public:
    // 1167: "the device is not connected"
    VirtualHidDevice(TargetUnit& unit, std::chrono::milliseconds timeout)
        : VirtualDevice(unit, timeout, 1167) {}

    bool getAttributes(HidAttributes& out) override {
        if (unit_.unplugged()) return fail();
        out = {kHidReportLength, kHidReportLength, kHidVendorId, kHidProductId, kHidVersion};
        return true;
    }
    bool writeReport(const uint8_t* report, size_t length) override {
        if (length != kHidReportLength || report[0] != 0) return fail();
        return unit_.hostWrite(report + 1, length - 1) || fail();
    }
    bool readReport(uint8_t* report, size_t length) override {
        if (length != kHidReportLength || !awaitAnswer(unit_, timeout_)) return fail();
        std::memset(report, 0, length);
        size_t got = 0;
        return unit_.hostRead(report + 1, length - 1, got) || fail();
    }
    int lastError() const override { return lastError_; }
};

} // namespace

bool awaitAnswer(const TargetUnit& unit, std::chrono::milliseconds timeout) {
    const auto delay = unit.answerDelay();
    if (delay.count() <= 0) return true;
    std::this_thread::sleep_for(std::min(delay, timeout));
    return delay < timeout;
}

bool InProcessTransport::write(const uint8_t* data, size_t n) {
    ++packets_;
    return unit_.hostWrite(data, n);
}

bool InProcessTransport::read(uint8_t* data, size_t n) {
    ++packets_;
    if (!awaitAnswer(unit_, timeout_)) return false;
    size_t got = 0;
    return unit_.hostRead(data, n, got);
}

TransportFactory inProcessTarget(TargetUnit& unit, std::chrono::milliseconds timeout) {
    return [&unit, timeout](std::string& problem) -> std::unique_ptr<PacketTransport> {
        if (unit.unplugged()) {
            problem = "The virtual target unit is unplugged";
            return nullptr;
        }
        unit.connectionOpened();
        return std::make_unique<InProcessTransport>(unit, timeout);
    };
}

std::unique_ptr<BulkDevice> VirtualBulkDriver::open(int n, std::string& /*problem*/) {
    if (n != 0 || unit_.unplugged()) return nullptr;
    unit_.connectionOpened();
    return std::make_unique<VirtualBulkDevice>(unit_, timeout_);
}

std::unique_ptr<HidDevice> VirtualHidLibrary::getDevice(int index, bool& present,
                                                        std::string& /*problem*/) {
    present = index == 0 && !unit_.unplugged();
    if (!present) return nullptr;
    unit_.connectionOpened();
    return std::make_unique<VirtualHidDevice>(unit_, timeout_);
}

bool UnitSocketSide::write(const uint8_t* data, size_t n) {
    return unit_.hostWrite(data, n);
}

bool UnitSocketSide::read(uint8_t* data, size_t n) {
    const auto delay = unit_.answerDelay();
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    size_t got = 0;
    return unit_.hostRead(data, n, got);
}

} // namespace zerka
