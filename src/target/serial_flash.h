#pragma once
// The programmer's serial flash: 128 KB in sectors of 4, 8, 16, 32 and 4 KB (the low 64 KB,
// erased at the addresses 0, 1000h, 3000h, 7000h and F000h) and two 32 KB sectors above, which
// hold the second half of a 32K-word program. Programming only clears bits; every erase and
// every block write needs a write enable first; an erase keeps the flash busy for a while.
// With a state file the contents survive restarts of the unit.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zerka {

using UnitClock = std::function<std::chrono::steady_clock::time_point()>;

class SerialFlash {
  public:
    static constexpr uint32_t kSize = 0x20000;

    // `timeScale` multiplies the busy times (tests run the flash faster).
    explicit SerialFlash(UnitClock clock = {}, double timeScale = 1.0);

    bool busy() const;
    void setStuckBusy(bool on) { stuckBusy_ = on; }
    bool writeEnabled() const { return writeEnabled_; }
    // Refused while busy.
    bool writeEnable();
    // Erases the sector that holds `address`; refused while busy or without a write enable.
    bool eraseSector(uint32_t address);
    // Starts a block write (consumes the write enable); refused like an erase.
    bool beginWrite();
    void program(uint32_t address, uint8_t value);
    // A worn cell: programming never clears the bits of `mask` at `address`.
    void setStuckBits(uint32_t address, uint8_t mask) {
        stuckAddress_ = address;
        stuckMask_ = mask;
    }
    uint8_t read(uint32_t address) const { return address < kSize ? bytes_[address] : 0xFF; }
    // The word at byte address a, high byte first.
    uint16_t word(uint32_t a) const { return static_cast<uint16_t>(read(a) << 8 | read(a + 1)); }
    // Writes a word directly (a flash prepared before the unit starts).
    void store(uint32_t a, uint16_t value);

    // State file: "ZKFLASH1" followed by the 128 KB. A missing file leaves the flash erased.
    bool load(const std::filesystem::path& path, std::string& problem);
    bool save(const std::filesystem::path& path, std::string& problem) const;
    // Whether `path` can be written as save() writes it: an existing file must be a writable
    // regular file, its folder must exist and take a new file. False with the reason, which
    // names the path.
    static bool canSave(const std::filesystem::path& path, std::string& problem);
    bool dirty() const { return dirty_; }
    void markClean() { dirty_ = false; }

    // Start and size of the sector holding `address`.
    static std::pair<uint32_t, uint32_t> sectorOf(uint32_t address);

  private:
    std::chrono::steady_clock::time_point now() const;

    UnitClock clock_;
    double timeScale_;
    std::vector<uint8_t> bytes_;
    bool writeEnabled_ = false;
    bool stuckBusy_ = false;
    bool dirty_ = false;
    uint32_t stuckAddress_ = kSize;
    uint8_t stuckMask_ = 0;
    std::chrono::steady_clock::time_point busyUntil_{};
};

} // namespace zerka
