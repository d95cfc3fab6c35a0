#pragma once
// The virtual unit's USB faces: packets in-process (the link's virtual channel), a bulk-driver
// device (0547:1003, pipe 0 IN, pipe 1 OUT) and a HID device (04D9:2009, version 0727h, 65-byte
// reports), and the unit's side of the socket. Every face waits for a slow answer at most its
// time-out and then reports the transfer as failed, as a real unplugged cable would.
#include "link/packet_transport.h"
#include "link/usb_backend.h"
#include "target/target_unit.h"

#include <chrono>
#include <memory>
#include <string>

namespace zerka {

constexpr std::chrono::milliseconds kVirtualAnswerTimeout{1000};

class InProcessTransport : public PacketTransport {
  public:
    explicit InProcessTransport(TargetUnit& unit,
                                std::chrono::milliseconds timeout = kVirtualAnswerTimeout)
        : unit_(unit), timeout_(timeout) {}
    bool write(const uint8_t* data, size_t n) override;
    bool read(uint8_t* data, size_t n) override;
    uint16_t maxPacketSize() const override { return static_cast<uint16_t>(unit_.packetLimit()); }
    std::string describe() const override { return "virtual target"; }
    uint64_t packets() const { return packets_; }

  private:
    TargetUnit& unit_;
    std::chrono::milliseconds timeout_;
    uint64_t packets_ = 0;
};

// The link's virtual-target factory for this unit; it refuses while the unit is unplugged.
TransportFactory inProcessTarget(TargetUnit& unit,
                                 std::chrono::milliseconds timeout = kVirtualAnswerTimeout);

// Device 0 of the bulk driver is the unit; there are no others.
class VirtualBulkDriver : public BulkDriver {
  public:
    explicit VirtualBulkDriver(TargetUnit& unit,
                               std::chrono::milliseconds timeout = kVirtualAnswerTimeout)
        : unit_(unit), timeout_(timeout) {}
    std::unique_ptr<BulkDevice> open(int n, std::string& problem) override;

  private:
    TargetUnit& unit_;
    std::chrono::milliseconds timeout_;
};

// HID index 0 is the unit.
class VirtualHidLibrary : public HidLibrary {
  public:
    explicit VirtualHidLibrary(TargetUnit& unit,
                               std::chrono::milliseconds timeout = kVirtualAnswerTimeout)
        : unit_(unit), timeout_(timeout) {}
    std::unique_ptr<HidDevice> getDevice(int index, bool& present, std::string& problem) override;

  private:
    TargetUnit& unit_;
    std::chrono::milliseconds timeout_;
};

// The unit as the socket server hands it to serveSocketConnection: slow answers are late for
// real, so the host's own time-out decides.
class UnitSocketSide : public PacketTransport {
  public:
    explicit UnitSocketSide(TargetUnit& unit) : unit_(unit) {}
    bool write(const uint8_t* data, size_t n) override;
    bool read(uint8_t* data, size_t n) override;
    uint16_t maxPacketSize() const override { return static_cast<uint16_t>(unit_.packetLimit()); }
    std::string describe() const override { return "virtual target (socket side)"; }

  private:
    TargetUnit& unit_;
};

// Waits for the unit's answer like a host would: false when it comes later than `timeout`.
bool awaitAnswer(const TargetUnit& unit, std::chrono::milliseconds timeout);

} // namespace zerka
