#pragma once
// The USB link to the target unit: finds and opens the unit (a virtual unit first when one is
// configured, then the bulk device, then the HID device), performs the connection handshake and
// moves raw packets between the one packet buffer and the unit.
#include "core/ui_host.h"
#include "link/packet_transport.h"
#include "link/usb_backend.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace zerka {

constexpr size_t kIoBufferSize = 100;
using IoBuffer = std::array<uint8_t, kIoBufferSize>;

// Largest packet in HID mode: one report minus its ID byte.
constexpr size_t kHidPacketBytes = 64;

constexpr uint8_t kLinkConnected = 0;
constexpr uint8_t kLinkLost = 255;

// The connection error of ensureConnected in English (0) and Chinese (1).
std::string connectErrorText(int languageIndex);

struct UsbBackends {
    std::unique_ptr<BulkDriver> bulk;
    std::unique_ptr<HidLibrary> hid;
    // Tried before the USB search when set (the virtual target unit).
    TransportFactory virtualTarget;
};

// libusb for the bulk device, hidapi for the HID device, and the socket named by ZERKA_TARGET
// when that variable is set.
UsbBackends realUsbBackends();

class UsbLink {
  public:
    enum class Channel { None, Virtual, Bulk, Hid };

    explicit UsbLink(UsbBackends backends);
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;
    ~UsbLink();

    // The packet buffer shared by every device command and the link state (0 connected, 255 not).
    IoBuffer ioBuffer{};
    uint8_t linkStatus = kLinkLost;
    uint32_t deviceNumber = 0;
    uint32_t deviceNumber2 = 0;

    uint8_t connect();
    // 1 "PROBEONE", 2 "PROBETWO", 0 anything else.
    int identify();
    bool ensureConnected(UiHost& ui, int languageIndex);
    bool write(size_t n);
    bool read(size_t n);
    void close();

    bool connected() const { return connected_; }
    // The command layers clear it when a command gets no acknowledgement.
    void clearConnected() { connected_ = false; }
    bool isOpen() const { return channel_ != Channel::None; }
    Channel channel() const { return channel_; }
    int usbMode() const { return usbMode_; }
    uint16_t maxPacketSize() const { return maxPacketSize_; }
    // Bytes one transfer may carry: 64 in HID mode, the packet buffer otherwise.
    size_t maxTransferBytes() const;
    const std::string& deviceName() const { return deviceName_; }
    int lastSystemError() const { return lastError_; }
    // Why the last search found nothing usable, in words for the user.
    const std::string& diagnosis() const { return diagnosis_; }
    const UsbDeviceDescriptor& deviceDescriptor() const { return descriptor_; }
    const std::array<PipeInfo, 2>& pipes() const { return pipes_; }

    // Replaces the virtual unit tried first (nullptr: none).
    void setVirtualTarget(TransportFactory factory);
    // Other backends from now on (another unit): the device in use is closed first.
    void setBackends(UsbBackends backends);

  private:
    bool probeAndHandshake(uint32_t number);
    bool systemRequest(uint8_t sub, uint16_t param);
    void dropDevice();
    bool failTransfer(int error);

    UsbBackends backends_;
    Channel channel_ = Channel::None;
    std::unique_ptr<PacketTransport> virtual_;
    std::unique_ptr<BulkDevice> bulk_;
    std::unique_ptr<HidDevice> hid_;
    std::string deviceName_;
    UsbDeviceDescriptor descriptor_{};
    std::array<PipeInfo, 2> pipes_{};
    bool connected_ = false;
    uint16_t maxPacketSize_ = 0;
    int usbMode_ = 0;
    uint16_t inputReportLength_ = 0;
    uint16_t outputReportLength_ = 0;
    int lastError_ = 0;
    std::string transportFailure_;
    std::string diagnosis_;
};

} // namespace zerka
