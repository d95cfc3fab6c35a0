#pragma once
// Scripted stand-ins for the unit behind the link: a USB unit that answers the packets as the
// emulator would and records every packet it receives, bulk and HID device wrappers around it,
// and a printer-port unit that decodes the serial signalling bit by bit.
#include "link/lpt_link.h"
#include "link/packet_transport.h"
#include "link/usb_backend.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zerka::test {

using Bytes = std::vector<uint8_t>;

// Decodes the emulator address of a request (bytes 1..3 of an 0xA4 packet or an LPT frame).
inline uint32_t decodeAddress(const uint8_t* b) {
    return static_cast<uint32_t>(b[0] & 0x3F) << 15 | static_cast<uint32_t>(b[1]) << 7 | b[2] >> 1;
}

class FakeUsbUnit : public PacketTransport {
  public:
    std::vector<Bytes> written; // every packet as it arrived
    std::vector<size_t> readLengths;
    std::map<uint32_t, uint8_t> byteMemory; // by address A, byte access mode
    std::map<uint32_t, uint8_t> wordMemory; // by address A = 2 x word address
    uint8_t control = 0;
    uint8_t status = 0;
    std::string model = "PROBEONE";
    uint16_t probeAnswer = 0xFFFF;
    uint32_t number4 = 0x12345678;
    uint32_t number6 = 0x9ABCDEF0;
    uint8_t c5Fourth = 0x33;
    std::string firmware = "WRIV0210"; // F9h 09h
    Bytes modeAnswer = {0xFA, 0x00};   // F9h 0Ch
    std::vector<uint32_t> stack;
    int transfersLeft = -1; // >= 0: transfers allowed before the unit is gone
    bool nack = false;      // answer commands with a wrong first byte
    bool silent = false;    // no answer to reads
    uint16_t packetSize = 64;

    bool write(const uint8_t* data, size_t n) override {
        if (!alive()) return false;
        written.emplace_back(data, data + n);
        handle(written.back());
        return true;
    }
    bool read(uint8_t* data, size_t n) override {
        if (!alive() || silent) return false;
        readLengths.push_back(n);
        std::memcpy(data, reply.data(), std::min(n, reply.size()));
        return true;
    }
    uint16_t maxPacketSize() const override { return packetSize; }
    std::string describe() const override { return "fake unit"; }

    // Packets of one command code, in order.
    std::vector<Bytes> packets(uint8_t code) const {
        std::vector<Bytes> out;
        for (const Bytes& p : written)
            if (!p.empty() && p[0] == code) out.push_back(p);
        return out;
    }
    // Control values written with 0xA6, in order.
    Bytes controlWrites() const {
        Bytes out;
        for (const Bytes& p : packets(0xA6))
            out.push_back(p[1]);
        return out;
    }
    uint8_t ack() const { return nack ? 0x00 : 0xFA; }

  private:
    bool alive() {
        if (transfersLeft == 0) return false;
        if (transfersLeft > 0) --transfersLeft;
        return true;
    }

    void handle(const Bytes& p) {
        reply.assign(100, 0);
        switch (p[0]) {
        case 0xF9:
            if (p[1] == 0x02) {
                reply[0] = static_cast<uint8_t>(probeAnswer);
                reply[1] = static_cast<uint8_t>(probeAnswer >> 8);
            } else if (p[1] == 0xAC) {
                std::copy(model.begin(), model.end(), reply.begin());
            } else if (p[1] == 0x09) {
                std::copy(firmware.begin(), firmware.end(), reply.begin());
            } else if (p[1] == 0x0C) {
                std::copy(modeAnswer.begin(), modeAnswer.end(), reply.begin());
            } else if (p[1] == 0x04 || p[1] == 0x06) {
                const uint32_t v = p[1] == 0x04 ? number4 : number6;
                for (int k = 0; k < 4; ++k)
                    reply[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
            }
            break;
        case 0xC5:
            reply[3] = c5Fourth;
            break;
        case 0xA4: {
            const uint32_t a = decodeAddress(&p[1]);
            const size_t length = static_cast<size_t>(p[4]) << 16 | p[5] << 8 | p[6];
            auto& memory = (control & 0x08) ? byteMemory : wordMemory;
            if (p[3] & 1) {
                for (size_t k = 0; k < length && k < reply.size(); ++k)
                    reply[k] = memory[a + k];
            } else {
                for (size_t k = 0; k < length && 7 + k < p.size(); ++k)
                    memory[a + k] = p[7 + k];
                reply[0] = ack();
            }
            break;
        }
        case 0xA6:
            control = p[1];
            reply[0] = ack();
            break;
        case 0xA7:
            reply[0] = ack();
            reply[1] = control;
            break;
        case 0xA8:
            reply[0] = ack();
            reply[1] = status;
            break;
        case 0xB9:
            for (size_t k = 0; k < stack.size() && 3 * k + 2 < reply.size(); ++k)
                for (int j = 0; j < 3; ++j)
                    reply[3 * k + j] = static_cast<uint8_t>(stack[k] >> (16 - 8 * j));
            break;
        default:
            reply[0] = ack();
            break;
        }
    }

    Bytes reply;
};

// A non-owning transport that forwards to a unit owned by the test.
class UnitRef : public PacketTransport {
  public:
    explicit UnitRef(PacketTransport& unit) : unit_(unit) {}
    bool write(const uint8_t* d, size_t n) override { return unit_.write(d, n); }
    bool read(uint8_t* d, size_t n) override { return unit_.read(d, n); }
    uint16_t maxPacketSize() const override { return unit_.maxPacketSize(); }
    std::string describe() const override { return unit_.describe(); }

  private:
    PacketTransport& unit_;
};

inline TransportFactory factoryFor(PacketTransport& unit) {
    return [&unit](std::string&) { return std::make_unique<UnitRef>(unit); };
}

// ---- bulk driver --------------------------------------------------------------------------

struct FakeBulkSlot {
    FakeBulkSlot() = default;
    FakeBulkSlot(FakeUsbUnit* u, uint16_t vid = kBulkVendorId, uint16_t pid = kBulkProductId,
                 uint8_t in = 0x82, uint8_t out = 0x02, std::string problem = {})
        : unit(u), vendorId(vid), productId(pid), inEndpoint(in), outEndpoint(out),
          openProblem(std::move(problem)) {}
    FakeUsbUnit* unit = nullptr; // nullptr: no device with this number
    uint16_t vendorId = kBulkVendorId;
    uint16_t productId = kBulkProductId;
    uint8_t inEndpoint = 0x82;
    uint8_t outEndpoint = 0x02;
    std::string openProblem; // non-empty: open fails with this reason
};

class FakeBulkDevice : public BulkDevice {
  public:
    explicit FakeBulkDevice(const FakeBulkSlot& slot) : slot_(slot) {}
    bool readDeviceDescriptor(UsbDeviceDescriptor& out) override {
        out.bytes = {};
        out.bytes[0] = 18;
        out.bytes[1] = 1;
        out.bytes[8] = static_cast<uint8_t>(slot_.vendorId);
        out.bytes[9] = static_cast<uint8_t>(slot_.vendorId >> 8);
        out.bytes[10] = static_cast<uint8_t>(slot_.productId);
        out.bytes[11] = static_cast<uint8_t>(slot_.productId >> 8);
        return true;
    }
    bool readPipeInfo(std::array<PipeInfo, 2>& out) override {
        out[0].endpointAddress = slot_.inEndpoint;
        out[0].maximumPacketSize = 64;
        out[1].endpointAddress = slot_.outEndpoint;
        out[1].maximumPacketSize = 64;
        return true;
    }
    bool bulkWrite(uint32_t pipe, const uint8_t* data, size_t n) override {
        pipesUsed.push_back(pipe);
        return slot_.unit->write(data, n);
    }
    bool bulkRead(uint32_t pipe, uint8_t* data, size_t n) override {
        pipesUsed.push_back(pipe);
        return slot_.unit->read(data, n);
    }
    int lastError() const override { return 31; }
    std::vector<uint32_t> pipesUsed;

  private:
    FakeBulkSlot slot_;
};

class FakeBulkDriver : public BulkDriver {
  public:
    std::vector<FakeBulkSlot> slots;
    std::vector<int> opened;
    std::unique_ptr<BulkDevice> open(int n, std::string& problem) override {
        if (n < 0 || static_cast<size_t>(n) >= slots.size() || !slots[n].unit) return nullptr;
        if (!slots[n].openProblem.empty()) {
            problem = slots[n].openProblem;
            return nullptr;
        }
        opened.push_back(n);
        return std::make_unique<FakeBulkDevice>(slots[n]);
    }
};

// ---- HID library --------------------------------------------------------------------------

struct FakeHidSlot {
    FakeHidSlot(FakeUsbUnit* u, uint16_t vid = kHidVendorId, uint16_t pid = kHidProductId,
                uint16_t v = kHidVersion)
        : unit(u), vendorId(vid), productId(pid), version(v) {}
    FakeUsbUnit* unit = nullptr;
    uint16_t vendorId = kHidVendorId;
    uint16_t productId = kHidProductId;
    uint16_t version = kHidVersion;
};

class FakeHidDevice : public HidDevice {
  public:
    FakeHidDevice(const FakeHidSlot& slot, std::vector<Bytes>& reports)
        : slot_(slot), reports_(reports) {}
    bool getAttributes(HidAttributes& out) override {
        out = {65, 65, slot_.vendorId, slot_.productId, slot_.version};
        return true;
    }
    bool writeReport(const uint8_t* report, size_t length) override {
        reports_.emplace_back(report, report + length);
        return slot_.unit->write(report + 1, length - 1);
    }
    bool readReport(uint8_t* report, size_t length) override {
        report[0] = 0;
        return slot_.unit->read(report + 1, length - 1);
    }
    int lastError() const override { return 5; }

  private:
    FakeHidSlot slot_;
    std::vector<Bytes>& reports_;
};

class FakeHidLibrary : public HidLibrary {
  public:
    std::vector<FakeHidSlot> slots;
    std::vector<Bytes> reports; // every output report written
    std::unique_ptr<HidDevice> getDevice(int index, bool& present, std::string&) override {
        present = index >= 0 && static_cast<size_t>(index) < slots.size() && slots[index].unit;
        if (!present) return nullptr;
        return std::make_unique<FakeHidDevice>(slots[index], reports);
    }
};

// ---- printer port -------------------------------------------------------------------------

// Records every register access of the link.
class RecordingPort : public PrinterPort {
  public:
    struct Access {
        bool write;
        PortRegister reg;
        uint8_t value;
    };
    std::vector<Access> log;
    std::map<PortRegister, uint8_t> registers;
    int refuseReads = 0; // refuse this many reads before answering again
    int refusedReads = 0;

    bool read(PortRegister r, uint8_t& value) override {
        if (refuseReads > 0) {
            --refuseReads;
            ++refusedReads;
            return false;
        }
        value = registers[r];
        log.push_back({false, r, value});
        return true;
    }
    bool write(PortRegister r, uint8_t value) override {
        registers[r] = value;
        log.push_back({true, r, value});
        onWrite(r, value);
        return true;
    }
    // Control values written, in order.
    Bytes controlWrites() const {
        Bytes out;
        for (const Access& a : log)
            if (a.write && a.reg == PortRegister::Control) out.push_back(a.value);
        return out;
    }
    // The data-out bit at every rising clock edge.
    std::vector<int> clockedBits() const {
        std::vector<int> bits;
        uint8_t last = 0;
        for (uint8_t c : controlWrites()) {
            if ((c & kLptClock) && !(last & kLptClock)) bits.push_back(c & kLptDataOut);
            last = c;
        }
        return bits;
    }

  protected:
    virtual void onWrite(PortRegister, uint8_t) {}
};

// The printer-port emulator: frames start when the frame line falls, bits are taken on rising
// clock edges, the frame ends when the frame line rises (the two clock pulses of the end
// condition are not data). Memory, control register and status as the emulator holds them.
class FakeLptUnit : public RecordingPort {
  public:
    struct Frame {
        std::vector<int> bits; // host bits, end pulses removed
    };
    std::vector<Frame> frames;
    std::map<uint32_t, uint8_t> byteMemory;
    std::map<uint32_t, uint8_t> wordMemory;
    uint8_t emulatorControl = 0;

    // Bytes of a frame's host bits (whole bytes only).
    static Bytes bytesOf(const Frame& f, size_t skipBits = 0) {
        Bytes out;
        for (size_t i = skipBits; i + 8 <= f.bits.size(); i += 8) {
            unsigned v = 0;
            for (size_t j = 0; j < 8; ++j)
                v = (v << 1) | static_cast<unsigned>(f.bits[i + j]);
            out.push_back(static_cast<uint8_t>(v));
        }
        return out;
    }

  protected:
    void onWrite(PortRegister r, uint8_t c) override {
        if (r != PortRegister::Control) return;
        const bool frameLine = c & kLptFrame;
        const bool clock = c & kLptClock;
        if (inFrame_ && frameLine)
            finishFrame();
        else if (!inFrame_ && lastFrame_ && !frameLine && !clock)
            startFrame();
        if (inFrame_ && clock && !lastClock_) risingEdge(c & kLptDataOut);
        lastFrame_ = frameLine;
        lastClock_ = clock;
    }

  private:
    void startFrame() {
        inFrame_ = true;
        bits_.clear();
        outBits_.clear();
        registers[PortRegister::Status] = 0;
    }

    void present(unsigned value, int width) {
        for (int i = width - 1; i >= 0; --i)
            outBits_.push_back((value >> i) & 1);
    }

    void risingEdge(int bit) {
        bits_.push_back(bit);
        const size_t n = bits_.size();
        // Header decisions: 1,0 read control; 0,0 write control; 0,1 memory access.
        if (n == 2 && bits_[0] == 1 && bits_[1] == 0) present(emulatorControl, 8);
        if (n == 24 && bits_[0] == 0 && bits_[1] == 1) {
            const Bytes b = bytesOf(Frame{bits_});
            address_ = decodeAddress(b.data());
            if (b[2] & 1) {
                // A read: present the memory from here on, words or bytes per the mode bits.
                for (uint32_t k = 0; k < 64; ++k) {
                    if (emulatorControl & 0x08)
                        present(byteMemory[address_ + k], 8);
                    else
                        present(wordMemory[address_ + 2 * k] << 8 |
                                    wordMemory[address_ + 2 * k + 1],
                                16);
                }
            }
        }
        // The bit the host samples while the clock is high.
        uint8_t& status = registers[PortRegister::Status];
        status = 0;
        if (outBitsActive()) {
            const size_t index = outIndex();
            if (index < outBits_.size()) status = outBits_[index] ? kLptDataIn : 0;
        }
    }

    bool outBitsActive() const {
        if (bits_.size() >= 3 && bits_[0] == 1 && bits_[1] == 0) return true;
        return bits_.size() > 24 && bits_[0] == 0 && bits_[1] == 1 && readFrame();
    }
    bool readFrame() const { return bits_.size() >= 24 && bits_[23] == 1; }
    size_t outIndex() const {
        if (bits_[0] == 1 && bits_[1] == 0) return bits_.size() - 3;
        return bits_.size() - 25;
    }

    void finishFrame() {
        inFrame_ = false;
        Frame f{bits_};
        if (f.bits.size() >= 2) f.bits.resize(f.bits.size() - 2); // the end pulses
        frames.push_back(f);
        if (f.bits.size() == 10 && f.bits[0] == 0 && f.bits[1] == 0)
            emulatorControl = bytesOf(f, 2)[0];
        if (f.bits.size() >= 24 && f.bits[0] == 0 && f.bits[1] == 1 && f.bits[23] == 0) {
            const Bytes b = bytesOf(f);
            const uint32_t a = decodeAddress(b.data());
            for (size_t k = 3; k < b.size(); ++k) {
                if (emulatorControl & 0x08)
                    byteMemory[a + k - 3] = b[k];
                else
                    wordMemory[a + k - 3] = b[k];
            }
        }
    }

    bool inFrame_ = false;
    bool lastFrame_ = true;
    bool lastClock_ = false;
    std::vector<int> bits_;
    std::vector<int> outBits_;
    uint32_t address_ = 0;
};

// Hands the test's port to the link.
class FakePortProvider : public PortProvider {
  public:
    explicit FakePortProvider(PrinterPort* port) : port_(port) {}
    std::vector<std::string> calls;
    std::vector<int> startCodes; // returned in order by startService (then kServiceRunning)
    int opensToFail = 0;

    int startService(uint16_t) override {
        calls.push_back("start");
        if (startCodes.empty()) return kServiceRunning;
        const int code = startCodes.front();
        startCodes.erase(startCodes.begin());
        return code;
    }
    void createService(uint16_t) override { calls.push_back("create"); }
    std::unique_ptr<PrinterPort> open(uint16_t base) override {
        calls.push_back("open");
        if (opensToFail > 0 || !port_) {
            --opensToFail;
            return nullptr;
        }
        return AttachedPortProvider(*port_).open(base);
    }

  private:
    PrinterPort* port_;
};

} // namespace zerka::test
