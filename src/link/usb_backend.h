#pragma once
// The two ways the USB unit can be reached: as a device of the bulk driver ("ZkUSB-n") and as a
// HID device. The link talks to these small interfaces; libusb and hidapi implement them, tests
// put scripted devices behind them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zerka {

constexpr uint16_t kBulkVendorId = 0x0547;
constexpr uint16_t kBulkProductId = 0x1003;
constexpr uint16_t kHidVendorId = 0x04D9;
constexpr uint16_t kHidProductId = 0x2009;
constexpr uint16_t kHidVersion = 0x0727;
// Reports of the unit: report ID 0 and 64 data bytes.
constexpr uint16_t kHidReportLength = 65;

// The 18-byte standard USB device descriptor, as the device sends it (little-endian fields).
struct UsbDeviceDescriptor {
    std::array<uint8_t, 18> bytes{};
    uint16_t vendorId() const { return static_cast<uint16_t>(bytes[8] | bytes[9] << 8); }
    uint16_t productId() const { return static_cast<uint16_t>(bytes[10] | bytes[11] << 8); }
};

// One pipe as the bulk driver describes it.
struct PipeInfo {
    uint16_t maximumPacketSize = 0;
    uint8_t endpointAddress = 0; // bit 7 set: IN endpoint
    uint8_t interval = 0;
    uint8_t pipeType = 0; // 2: bulk
    uint32_t pipeHandle = 0;
    uint32_t maximumTransferSize = 0;
    uint32_t flags = 0;
};

class BulkDevice {
  public:
    virtual ~BulkDevice() = default;
    virtual bool readDeviceDescriptor(UsbDeviceDescriptor& out) = 0;
    // Pipes 0 and 1 of the device.
    virtual bool readPipeInfo(std::array<PipeInfo, 2>& out) = 0;
    virtual bool bulkWrite(uint32_t pipe, const uint8_t* data, size_t n) = 0;
    // Fills up to n bytes; a short packet ends the transfer early.
    virtual bool bulkRead(uint32_t pipe, uint8_t* data, size_t n) = 0;
    virtual int lastError() const = 0;
};

class BulkDriver {
  public:
    virtual ~BulkDriver() = default;
    // Opens device n (0..31), or gives nullptr with the reason in `problem` (empty when there is
    // simply no such device).
    virtual std::unique_ptr<BulkDevice> open(int n, std::string& problem) = 0;
};

struct HidAttributes {
    uint16_t inputReportLength = 0; // bytes, report-ID byte included
    uint16_t outputReportLength = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

class HidDevice {
  public:
    virtual ~HidDevice() = default;
    virtual bool getAttributes(HidAttributes& out) = 0;
    // Whole reports, byte 0 the report ID.
    virtual bool writeReport(const uint8_t* report, size_t length) = 0;
    virtual bool readReport(uint8_t* report, size_t length) = 0;
    virtual int lastError() const = 0;
};

class HidLibrary {
  public:
    virtual ~HidLibrary() = default;
    // The HID device at `index` (0..127). `present` tells whether a device exists there; the
    // result is nullptr when it cannot be opened (reason in `problem`).
    virtual std::unique_ptr<HidDevice> getDevice(int index, bool& present,
                                                 std::string& problem) = 0;
};

} // namespace zerka
