#include "target/serial_flash.h"

#include "core/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zerka {

namespace {

constexpr char kMagic[] = "ZKFLASH1";
constexpr size_t kMagicLength = 8;

struct Sector {
    uint32_t start;
    uint32_t size;
};
constexpr Sector kSectors[] = {{0x0000, 0x1000}, {0x1000, 0x2000}, {0x3000, 0x4000},
                               {0x7000, 0x8000}, {0xF000, 0x1000}, {0x10000, 0x8000},
                               {0x18000, 0x8000}};

// A sector erase takes about 10 ms per KB on this part.
std::chrono::microseconds eraseTime(uint32_t size) {
    return std::chrono::microseconds(size * 10);
}

} // namespace

SerialFlash::SerialFlash(UnitClock clock, double timeScale)
    : clock_(std::move(clock)), timeScale_(timeScale), bytes_(kSize, 0xFF) {}

std::chrono::steady_clock::time_point SerialFlash::now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

std::pair<uint32_t, uint32_t> SerialFlash::sectorOf(uint32_t address) {
    for (const Sector& s : kSectors)
        if (address >= s.start && address < s.start + s.size) return {s.start, s.size};
    return {0, 0};
}

bool SerialFlash::busy() const {
    return stuckBusy_ || now() < busyUntil_;
}

bool SerialFlash::writeEnable() {
    if (busy()) return false;
    writeEnabled_ = true;
    return true;
}

bool SerialFlash::eraseSector(uint32_t address) {
    const auto [start, size] = sectorOf(address);
    if (busy() || !writeEnabled_ || size == 0) return false;
    writeEnabled_ = false;
    std::fill(bytes_.begin() + start, bytes_.begin() + start + size, 0xFF);
    const auto busyFor = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        eraseTime(size) * timeScale_);
    busyUntil_ = now() + busyFor;
    dirty_ = true;
    return true;
}

bool SerialFlash::beginWrite() {
    if (busy() || !writeEnabled_) return false;
    writeEnabled_ = false;
    return true;
}

void SerialFlash::program(uint32_t address, uint8_t value) {
    if (address >= kSize) return;
    bytes_[address] &= address == stuckAddress_ ? static_cast<uint8_t>(value | stuckMask_) : value;
    dirty_ = true;
}

void SerialFlash::store(uint32_t a, uint16_t value) {
    if (a + 1 >= kSize) return;
    bytes_[a] = static_cast<uint8_t>(value >> 8);
    bytes_[a + 1] = static_cast<uint8_t>(value);
    dirty_ = true;
}

bool SerialFlash::load(const std::filesystem::path& path, std::string& problem) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    std::string content;
    if (!readFileBytes(path, content)) {
        problem = "cannot read the flash state file " + path.string();
        return false;
    }
    if (content.size() != kMagicLength + kSize || content.compare(0, kMagicLength, kMagic) != 0) {
        problem = path.string() + " is not a flash state file";
        return false;
    }
    std::memcpy(bytes_.data(), content.data() + kMagicLength, kSize);
    dirty_ = false;
    return true;
}

bool SerialFlash::canSave(const std::filesystem::path& path, std::string& problem) {
    namespace fs = std::filesystem;
    const std::string name = path.string();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) {
            problem = "the flash state file " + name + " is not a regular file";
            return false;
        }
        if (::access(path.c_str(), W_OK) != 0) {
            problem = "the flash state file " + name + " cannot be written: " +
                      std::strerror(errno);
            return false;
        }
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) {
        problem = "the flash state file " + name + " cannot be written: its folder " +
                  folder.string() + " does not exist";
        return false;
    }
    // The file is replaced through a new file beside it: the folder must take one.
    fs::path probe = path;
    probe += ".probe" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem = "the flash state file " + name + " cannot be written: " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    fs::remove(probe, ec);
    return true;
}

bool SerialFlash::save(const std::filesystem::path& path, std::string& problem) const {
    std::string content(kMagic, kMagicLength);
    content.append(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
    if (writeFileAtomic(path, content, &problem)) return true;
    problem = "the flash state was not saved to " + path.string() + ": " + problem;
    return false;
}

} // namespace zerka
