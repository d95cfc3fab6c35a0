#pragma once
// Linux ppdev: the printer port at a base address is the /dev/parportN whose
// /proc/sys/dev/parport/<name>/base-addr starts with that address.
#include "link/printer_port.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace zerka {

// The parport number for `base`, looked up under `procRoot` (normally /proc/sys/dev/parport).
std::optional<int> findParportNumber(uint16_t base, const std::filesystem::path& procRoot);

class PpdevPortProvider : public PortProvider {
  public:
    explicit PpdevPortProvider(std::filesystem::path procRoot = "/proc/sys/dev/parport",
                               std::filesystem::path devRoot = "/dev");
    int startService(uint16_t base) override;
    void createService(uint16_t base) override;
    std::unique_ptr<PrinterPort> open(uint16_t base) override;
    std::string diagnosis() const override { return diagnosis_; }

  private:
    std::filesystem::path procRoot_;
    std::filesystem::path devRoot_;
    std::string diagnosis_;
};

} // namespace zerka
