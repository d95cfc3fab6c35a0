#include "link/hidapi_library.h"

#include "link/libusb_driver.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace zerka {

namespace {

struct HidEntry {
    std::string path;
    uint16_t release = 0;
};

class HidapiDevice : public HidDevice {
  public:
    HidapiDevice(hid_device* device, const HidEntry& entry) : device_(device) {
        attributes_.inputReportLength = kHidReportLength;
        attributes_.outputReportLength = kHidReportLength;
        attributes_.vendorId = kHidVendorId;
        attributes_.productId = kHidProductId;
        attributes_.versionNumber = entry.release;
    }
    ~HidapiDevice() override { hid_close(device_); }

    bool getAttributes(HidAttributes& out) override {
        out = attributes_;
        return true;
    }

    bool writeReport(const uint8_t* report, size_t length) override {
        const int r = hid_write(device_, report, length);
        if (r < 0) return fail();
        return true;
    }

    bool readReport(uint8_t* report, size_t length) override {
        if (length < 1) return false;
        // The unit's reports carry no report number, so hidraw hands over the data alone; put
        // the ID byte in front as the report layout expects.
        std::memset(report, 0, length);
        const int r = hid_read_timeout(device_, report + 1, length - 1,
                                       static_cast<int>(kUsbTransferTimeoutMs));
        if (r <= 0) return fail();
        report[0] = 0;
        return true;
    }

    int lastError() const override { return lastError_; }

  private:
    bool fail() {
        lastError_ = errno;
        return false;
    }

    hid_device* device_;
    HidAttributes attributes_;
    int lastError_ = 0;
};

class HidapiLibrary : public HidLibrary {
  public:
    ~HidapiLibrary() override {
        if (initialised_) hid_exit();
    }

    std::unique_ptr<HidDevice> getDevice(int index, bool& present, std::string& problem) override {
        present = false;
        if (!initialised_) {
            if (hid_init() != 0) return nullptr;
            initialised_ = true;
        }
        if (index == 0) refresh(); // indexes count the units attached now
        if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return nullptr;
        present = true;
        const HidEntry& entry = entries_[static_cast<size_t>(index)];
        hid_device* device = hid_open_path(entry.path.c_str());
        if (!device) {
            if (::access(entry.path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
                problem = "USB HID unit 04D9:2009 at " + entry.path +
                          ": permission denied; install the udev rule (packaging/udev) and replug";
            else
                problem = "USB HID unit 04D9:2009 at " + entry.path + " cannot be opened";
            return nullptr;
        }
        return std::make_unique<HidapiDevice>(device, entry);
    }

  private:
    void refresh() {
        entries_.clear();
        hid_device_info* list = hid_enumerate(kHidVendorId, kHidProductId);
        for (hid_device_info* d = list; d; d = d->next)
            entries_.push_back({d->path ? d->path : "", d->release_number});
        hid_free_enumeration(list);
    }

    bool initialised_ = false;
    std::vector<HidEntry> entries_;
};

} // namespace

std::unique_ptr<HidLibrary> makeHidapiLibrary() {
    return std::make_unique<HidapiLibrary>();
}

} // namespace zerka
