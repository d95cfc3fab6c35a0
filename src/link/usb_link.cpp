#include "link/usb_link.h"

#include "link/hidapi_library.h"
#include "link/ice_protocol.h"
#include "link/libusb_driver.h"
#include "link/socket_transport.h"
#include "link/unit_system.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zerka {

namespace {

constexpr int kBulkDeviceCount = 32;
constexpr int kHidDeviceCount = 128;

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

} // namespace

std::string connectErrorText(int languageIndex) {
    if (languageIndex == 1) return "ZerKa-IDE 連線失敗 , 請檢查";
    return "ZerKa-IDE Connect Error , Please check !!";
}

UsbBackends realUsbBackends() {
    UsbBackends b;
    b.bulk = makeLibusbDriver();
    b.hid = makeHidapiLibrary();
    if (const char* target = std::getenv("ZERKA_TARGET"); target && *target) {
        std::string address = target;
        b.virtualTarget = [address](std::string& problem) {
            return openSocketTransport(address, problem);
        };
    }
    return b;
}

UsbLink::UsbLink(UsbBackends backends) : backends_(std::move(backends)) {}

UsbLink::~UsbLink() = default;

void UsbLink::setVirtualTarget(TransportFactory factory) {
    backends_.virtualTarget = std::move(factory);
}

void UsbLink::setBackends(UsbBackends backends) {
    close();
    backends_ = std::move(backends);
}

size_t UsbLink::maxTransferBytes() const {
    return channel_ == Channel::Hid ? kHidPacketBytes : kIoBufferSize;
}

void UsbLink::dropDevice() {
    virtual_.reset();
    bulk_.reset();
    hid_.reset();
    channel_ = Channel::None;
    deviceName_.clear();
    // `connected` survives: a unit that went silent is reported lost once before the next
    // search (see connect).
    maxPacketSize_ = 0;
    usbMode_ = 0;
    inputReportLength_ = 0;
    outputReportLength_ = 0;
    pipes_ = {};
}

void UsbLink::close() {
    dropDevice();
}

bool UsbLink::failTransfer(int error) {
    lastError_ = error;
    // The unit's own reason (a virtual unit busy with another host) outlives the device.
    if (channel_ == Channel::Virtual && virtual_) transportFailure_ = virtual_->failure();
    dropDevice();
    return false;
}

bool UsbLink::write(size_t n) {
    if (n > ioBuffer.size()) return false; // never read past the buffer
    switch (channel_) {
    case Channel::None:
        return false;
    case Channel::Virtual:
        if (virtual_->write(ioBuffer.data(), n)) return true;
        return failTransfer(0);
    case Channel::Bulk:
        if (pipes_[1].endpointAddress >= 0x80) return failTransfer(0);
        if (bulk_->bulkWrite(1, ioBuffer.data(), n)) return true;
        return failTransfer(bulk_->lastError());
    case Channel::Hid: {
        // One whole output report whatever n is: report ID 0, then the first 64 bytes.
        std::vector<uint8_t> report(outputReportLength_, 0);
        const size_t payload = std::min<size_t>(kHidPacketBytes, report.size() - 1);
        std::memcpy(report.data() + 1, ioBuffer.data(), payload);
        if (hid_->writeReport(report.data(), report.size())) return true;
        return failTransfer(hid_->lastError());
    }
    }
    return false;
}

bool UsbLink::read(size_t n) {
    if (n > ioBuffer.size()) return false; // never write past the buffer
    switch (channel_) {
    case Channel::None:
        return false;
    case Channel::Virtual:
        if (virtual_->read(ioBuffer.data(), n)) return true;
        return failTransfer(0);
    case Channel::Bulk:
        if (pipes_[0].endpointAddress < 0x80) return failTransfer(0);
        if (bulk_->bulkRead(0, ioBuffer.data(), n)) return true;
        return failTransfer(bulk_->lastError());
    case Channel::Hid: {
        // One whole input report whatever n is; its 64 bytes after the ID land in the buffer.
        std::vector<uint8_t> report(inputReportLength_, 0);
        if (!hid_->readReport(report.data(), report.size())) return failTransfer(hid_->lastError());
        const size_t payload = std::min<size_t>(kHidPacketBytes, report.size() - 1);
        std::memcpy(ioBuffer.data(), report.data() + 1, payload);
        return true;
    }
    }
    return false;
}

bool UsbLink::systemRequest(uint8_t sub, uint16_t param) {
    const size_t n = putSystemCommand(
        ioBuffer, sub, {static_cast<uint8_t>(param & 0xFF), static_cast<uint8_t>(param >> 8)});
    return write(n) && read(kSystemReplyBytes);
}

int UsbLink::identify() {
    if (!connected_) return 0;
    if (!write(putSystemCommand(ioBuffer, kSystemModel)) || !read(kSystemReplyBytes)) return 0;
    const std::string model(reinterpret_cast<const char*>(ioBuffer.data()), 8);
    if (model == "PROBEONE") return 1;
    if (model == "PROBETWO") return 2;
    return 0;
}

bool UsbLink::probeAndHandshake(uint32_t number) {
    connected_ = false;
    if (!systemRequest(kSystemProbe, 0)) return false;
    if (ioBuffer[0] != 0xFF || ioBuffer[1] != 0xFF) return false;
    connected_ = true;
    // A handshake transfer that fails has closed the device: the unit is not usable.
    if (!systemRequest(kSystemSetDeviceNumber, static_cast<uint16_t>(number))) return false;
    if (!systemRequest(kSystemDeviceNumber, 0)) return false;
    deviceNumber = bigEndian32(ioBuffer.data());
    if (!systemRequest(kSystemDeviceNumber2, 0)) return false;
    deviceNumber2 = bigEndian32(ioBuffer.data());
    ioBuffer[0] = 0xC5;
    ioBuffer[1] = 0xFF;
    ioBuffer[2] = 0x01;
    ioBuffer[3] = 0x01;
    if (!write(4) || !read(64)) return false;
    const uint8_t fourth = ioBuffer[3];
    ioBuffer[0] = 0xC5;
    ioBuffer[1] = 0xFF;
    ioBuffer[2] = 0x00;
    ioBuffer[3] = fourth;
    if (!write(4) || !read(64)) return false;
    return isOpen();
}

uint8_t UsbLink::connect() {
    if (isOpen() && identify() == 1) {
        linkStatus = kLinkConnected;
        return kLinkConnected;
    }
    // Connected but silent: report the loss once; the caller clears `connected` so that the
    // next call searches.
    if (connected_) {
        linkStatus = kLinkLost;
        return kLinkLost;
    }
    if (isOpen()) dropDevice(); // a stale handle must not survive the search

    deviceNumber = 0;
    diagnosis_.clear();
    std::vector<std::string> problems;
    auto found = [this] {
        linkStatus = kLinkConnected;
        return kLinkConnected;
    };

    if (backends_.virtualTarget) {
        std::string problem;
        auto transport = backends_.virtualTarget(problem);
        transportFailure_.clear();
        if (transport) {
            deviceName_ = transport->describe();
            maxPacketSize_ = transport->maxPacketSize();
            virtual_ = std::move(transport);
            channel_ = Channel::Virtual;
            usbMode_ = 0;
            const std::string name = deviceName_;
            if (probeAndHandshake(0)) return found();
            problems.push_back(transportFailure_.empty()
                                   ? name + " did not answer the connection probe"
                                   : transportFailure_);
            dropDevice();
            connected_ = false;
        } else if (!problem.empty()) {
            problems.push_back(problem);
        }
    }

    if (backends_.bulk) {
        for (int n = 0; n < kBulkDeviceCount; ++n) {
            std::string problem;
            auto device = backends_.bulk->open(n, problem);
            if (!device) {
                if (!problem.empty()) problems.push_back(problem);
                continue;
            }
            bulk_ = std::move(device);
            channel_ = Channel::Bulk;
            deviceName_ = "ZkUSB-" + std::to_string(n);
            const std::string name = deviceName_;
            if (!bulk_->readDeviceDescriptor(descriptor_) ||
                descriptor_.vendorId() != kBulkVendorId ||
                descriptor_.productId() != kBulkProductId || !bulk_->readPipeInfo(pipes_)) {
                lastError_ = bulk_->lastError();
                dropDevice();
                continue;
            }
            maxPacketSize_ = pipes_[0].maximumPacketSize;
            usbMode_ = 0;
            if (probeAndHandshake(static_cast<uint32_t>(n))) return found();
            if (bulk_) lastError_ = bulk_->lastError();
            problems.push_back(name + " did not answer the connection probe");
            dropDevice();
            connected_ = false;
        }
    }

    if (backends_.hid) {
        for (int i = 0; i < kHidDeviceCount; ++i) {
            bool present = false;
            std::string problem;
            auto device = backends_.hid->getDevice(i, present, problem);
            if (!present) continue;
            if (!device) {
                if (!problem.empty()) problems.push_back(problem);
                continue;
            }
            HidAttributes attributes;
            if (!device->getAttributes(attributes) || attributes.vendorId != kHidVendorId ||
                attributes.productId != kHidProductId || attributes.versionNumber != kHidVersion ||
                attributes.inputReportLength < 2 || attributes.outputReportLength < 2)
                continue;
            hid_ = std::move(device);
            channel_ = Channel::Hid;
            usbMode_ = 1;
            inputReportLength_ = attributes.inputReportLength;
            outputReportLength_ = attributes.outputReportLength;
            maxPacketSize_ = static_cast<uint16_t>(inputReportLength_ - 1);
            deviceName_ = "HID-" + std::to_string(i);
            if (probeAndHandshake(static_cast<uint32_t>(i))) {
                for (PipeInfo& pipe : pipes_)
                    pipe.maximumPacketSize = maxPacketSize_;
                return found();
            }
            problems.push_back("HID device " + std::to_string(i) +
                               " did not answer the connection probe");
            dropDevice();
            connected_ = false;
        }
    }

    if (problems.empty()) {
        diagnosis_ = "No Zerka USB unit found (bulk device 0547:1003 or HID device 04D9:2009).";
    } else {
        for (const std::string& p : problems) {
            if (!diagnosis_.empty()) diagnosis_ += "; ";
            diagnosis_ += p;
        }
    }
    linkStatus = kLinkLost;
    return kLinkLost;
}

bool UsbLink::ensureConnected(UiHost& ui, int languageIndex) {
    linkStatus = connect();
    if (linkStatus == kLinkConnected) return true;
    if (!diagnosis_.empty()) ui.statusText(diagnosis_);
    ui.messageBox(MessageType::Error, connectErrorText(languageIndex), Buttons::Cancel);
    linkStatus = kLinkLost;
    connected_ = false;
    dropDevice();
    return false;
}

} // namespace zerka
