#include "link/libusb_driver.h"

#include <libusb-1.0/libusb.h>

#include <algorithm>
#include <iterator>

#include <string>
#include <vector>

namespace zerka {

namespace {

// One libusb session shared by the driver and the devices it opened.
struct LibusbSession {
    libusb_context* context = nullptr;
    ~LibusbSession() {
        if (context) libusb_exit(context);
    }
};

std::string where(libusb_device* device) {
    return "USB unit 0547:1003 on bus " + std::to_string(libusb_get_bus_number(device)) +
           " device " + std::to_string(libusb_get_device_address(device));
}

class LibusbDevice : public BulkDevice {
  public:
    LibusbDevice(std::shared_ptr<LibusbSession> session, libusb_device_handle* handle,
                 std::array<PipeInfo, 2> pipes)
        : session_(std::move(session)), handle_(handle), pipes_(pipes) {}
    ~LibusbDevice() override {
        libusb_release_interface(handle_, 0);
        libusb_close(handle_);
    }

    bool readDeviceDescriptor(UsbDeviceDescriptor& out) override {
        libusb_device_descriptor d{};
        const int r = libusb_get_device_descriptor(libusb_get_device(handle_), &d);
        if (r != 0) return fail(r);
        const uint8_t b[18] = {d.bLength,
                               d.bDescriptorType,
                               static_cast<uint8_t>(d.bcdUSB),
                               static_cast<uint8_t>(d.bcdUSB >> 8),
                               d.bDeviceClass,
                               d.bDeviceSubClass,
                               d.bDeviceProtocol,
                               d.bMaxPacketSize0,
                               static_cast<uint8_t>(d.idVendor),
                               static_cast<uint8_t>(d.idVendor >> 8),
                               static_cast<uint8_t>(d.idProduct),
                               static_cast<uint8_t>(d.idProduct >> 8),
                               static_cast<uint8_t>(d.bcdDevice),
                               static_cast<uint8_t>(d.bcdDevice >> 8),
                               d.iManufacturer,
                               d.iProduct,
                               d.iSerialNumber,
                               d.bNumConfigurations};
        std::copy(std::begin(b), std::end(b), out.bytes.begin());
        return true;
    }

    bool readPipeInfo(std::array<PipeInfo, 2>& out) override {
        out = pipes_;
        return true;
    }

    bool bulkWrite(uint32_t pipe, const uint8_t* data, size_t n) override {
        if (pipe > 1) return fail(LIBUSB_ERROR_INVALID_PARAM);
        int transferred = 0;
        const int r =
            libusb_bulk_transfer(handle_, pipes_[pipe].endpointAddress, const_cast<uint8_t*>(data),
                                 static_cast<int>(n), &transferred, kUsbTransferTimeoutMs);
        if (r != 0) return fail(r);
        if (static_cast<size_t>(transferred) != n) return fail(LIBUSB_ERROR_IO);
        return true;
    }

    bool bulkRead(uint32_t pipe, uint8_t* data, size_t n) override {
        if (pipe > 1) return fail(LIBUSB_ERROR_INVALID_PARAM);
        if (n == 0) return true;
        int transferred = 0;
        const int r =
            libusb_bulk_transfer(handle_, pipes_[pipe].endpointAddress, data, static_cast<int>(n),
                                 &transferred, kUsbTransferTimeoutMs);
        if (r != 0) return fail(r);
        return true;
    }

    int lastError() const override { return lastError_; }

  private:
    bool fail(int error) {
        lastError_ = error;
        return false;
    }

    std::shared_ptr<LibusbSession> session_;
    libusb_device_handle* handle_;
    std::array<PipeInfo, 2> pipes_;
    int lastError_ = 0;
};

class LibusbDriver : public BulkDriver {
  public:
    ~LibusbDriver() override { releaseList(); }

    std::unique_ptr<BulkDevice> open(int n, std::string& problem) override {
        if (!session_) {
            auto session = std::make_shared<LibusbSession>();
            const int r = libusb_init(&session->context);
            if (r != 0) {
                if (n == 0) problem = std::string("USB is not available: ") + libusb_strerror(r);
                return nullptr;
            }
            session_ = std::move(session);
        }
        if (n == 0) refreshList(); // device numbers count the units attached now
        if (n < 0 || static_cast<size_t>(n) >= devices_.size()) return nullptr;

        libusb_device* device = devices_[static_cast<size_t>(n)];
        libusb_device_handle* handle = nullptr;
        int r = libusb_open(device, &handle);
        if (r == LIBUSB_ERROR_ACCESS) {
            problem = where(device) +
                      ": permission denied; install the udev rule (packaging/udev) and replug";
            return nullptr;
        }
        if (r != 0) {
            problem = where(device) + " cannot be opened: " + libusb_strerror(r);
            return nullptr;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);
        r = libusb_claim_interface(handle, 0);
        if (r != 0) {
            problem =
                where(device) + (r == LIBUSB_ERROR_BUSY
                                     ? " is in use by another program"
                                     : std::string(" cannot be claimed: ") + libusb_strerror(r));
            libusb_close(handle);
            return nullptr;
        }
        std::array<PipeInfo, 2> pipes{};
        if (!findBulkPipes(device, pipes)) {
            problem = where(device) + " has no bulk IN and OUT endpoints";
            libusb_release_interface(handle, 0);
            libusb_close(handle);
            return nullptr;
        }
        return std::make_unique<LibusbDevice>(session_, handle, pipes);
    }

  private:
    void releaseList() {
        for (libusb_device* d : devices_)
            libusb_unref_device(d);
        devices_.clear();
    }

    void refreshList() {
        releaseList();
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(session_->context, &list);
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
            if (d.idVendor != kBulkVendorId || d.idProduct != kBulkProductId) continue;
            devices_.push_back(libusb_ref_device(list[i]));
        }
        if (list) libusb_free_device_list(list, 1);
    }

    // Pipe 0: the first bulk IN endpoint of interface 0; pipe 1: its first bulk OUT endpoint.
    static bool findBulkPipes(libusb_device* device, std::array<PipeInfo, 2>& pipes) {
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_active_config_descriptor(device, &config) != 0) return false;
        bool haveIn = false, haveOut = false;
        if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
            const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
            for (int e = 0; e < alt.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                if ((ep.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) continue;
                const bool in = (ep.bEndpointAddress & 0x80) != 0;
                if (in ? haveIn : haveOut) continue;
                PipeInfo& pipe = pipes[in ? 0 : 1];
                pipe.maximumPacketSize = ep.wMaxPacketSize;
                pipe.endpointAddress = ep.bEndpointAddress;
                pipe.interval = ep.bInterval;
                pipe.pipeType = 2;
                pipe.maximumTransferSize = 4096;
                (in ? haveIn : haveOut) = true;
            }
        }
        libusb_free_config_descriptor(config);
        return haveIn && haveOut;
    }

    std::shared_ptr<LibusbSession> session_;
    std::vector<libusb_device*> devices_;
};

} // namespace

std::unique_ptr<BulkDriver> makeLibusbDriver() {
    return std::make_unique<LibusbDriver>();
}

} // namespace zerka
