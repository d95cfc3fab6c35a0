#include "link/ppdev_port.h"

#include "core/text.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace zerka {

namespace {

std::string baseText(uint16_t base) {
    return hexText(base, 3) + "h";
}

// The ppdev requests that read and write a register; none where ppdev offers no access.
struct PpdevRequests {
    std::optional<unsigned long> read;
    std::optional<unsigned long> write;
};

PpdevRequests requestsFor(PortRegister r) {
    switch (r) {
    case PortRegister::Data:
        return {PPRDATA, PPWDATA};
    case PortRegister::Status:
        return {PPRSTATUS, std::nullopt};
    case PortRegister::Control:
        return {PPRCONTROL, PPWCONTROL};
    case PortRegister::ExtendedControl:
        break;
    }
    return {};
}

class PpdevPort : public PrinterPort {
  public:
    explicit PpdevPort(int fd) : fd_(fd) {}
    ~PpdevPort() override {
        ::ioctl(fd_, PPRELEASE);
        ::close(fd_);
    }

    bool read(PortRegister r, uint8_t& value) override {
        const auto request = requestsFor(r).read;
        unsigned char v = 0;
        if (!request || ::ioctl(fd_, *request, &v) != 0) return false;
        value = v;
        return true;
    }

    bool write(PortRegister r, uint8_t value) override {
        const auto request = requestsFor(r).write;
        unsigned char v = value;
        return request && ::ioctl(fd_, *request, &v) == 0;
    }

    // The kernel's parport_pc driver keeps an ECP port's extended control register in PS/2
    // mode itself; ppdev offers no access to it.
    bool hasExtendedControl() const override { return false; }

  private:
    int fd_;
};

} // namespace

std::optional<int> findParportNumber(uint16_t base, const std::filesystem::path& procRoot) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(procRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("parport", 0) != 0 || name.size() == 7) continue;
        int number = 0;
        bool digits = true;
        for (size_t i = 7; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9' || number > 100000) {
                digits = false;
                break;
            }
            number = number * 10 + (name[i] - '0');
        }
        if (!digits) continue;
        std::ifstream in(entry.path() / "base-addr");
        long value = -1;
        if (in >> value && value == base) return number;
    }
    return std::nullopt;
}

PpdevPortProvider::PpdevPortProvider(std::filesystem::path procRoot, std::filesystem::path devRoot)
    : procRoot_(std::move(procRoot)), devRoot_(std::move(devRoot)) {}

int PpdevPortProvider::startService(uint16_t base) {
    if (base == 0) {
        diagnosis_ = "No printer port address is set.";
        return kServiceInvalidName;
    }
    const auto number = findParportNumber(base, procRoot_);
    if (!number) {
        diagnosis_ = "No parallel port at " + baseText(base) +
                     ": load the kernel modules parport_pc and ppdev (modprobe ppdev).";
        return kServiceDidNotExist;
    }
    const std::filesystem::path device = devRoot_ / ("parport" + std::to_string(*number));
    std::error_code ec;
    if (!std::filesystem::exists(device, ec)) {
        diagnosis_ = device.string() + " does not exist: load the kernel module ppdev.";
        return kServiceDidNotExist;
    }
    if (::access(device.c_str(), R_OK | W_OK) != 0) {
        if (errno == EACCES || errno == EPERM) {
            diagnosis_ = device.string() +
                         ": permission denied; add your user to the group lp or install the "
                         "udev rule (packaging/udev).";
            return kServiceAccessDenied;
        }
        diagnosis_ = device.string() + ": " + std::strerror(errno);
        return kServiceOtherFailure;
    }
    diagnosis_.clear();
    return kServiceRunning;
}

void PpdevPortProvider::createService(uint16_t /*base*/) {
    // The port driver is part of the kernel: there is nothing to copy or register. The
    // diagnosis of startService already tells the user what to load.
}

std::unique_ptr<PrinterPort> PpdevPortProvider::open(uint16_t base) {
    const auto number = findParportNumber(base, procRoot_);
    if (!number) return nullptr;
    const std::filesystem::path device = devRoot_ / ("parport" + std::to_string(*number));
    const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        diagnosis_ = device.string() + " cannot be opened: " + std::strerror(errno);
        return nullptr;
    }
    if (::ioctl(fd, PPCLAIM) != 0) {
        diagnosis_ = device.string() + " cannot be claimed: " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    diagnosis_.clear();
    return std::make_unique<PpdevPort>(fd);
}

} // namespace zerka
