#include "cli/target_programmer_options.h"
#include "cli/cli_options.h"

#include "chip/chip_library.h"
#include "cli/prog_chip.h"
#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"
#include "core/text.h"

#include <charconv>
#include <optional>

namespace zerka::cli {

namespace {

const std::string kTargetOptionsPrefix = "zerka target: ";

bool loadSocketImage(const std::string& file, uint32_t romWords, SocketSetup& socket,
                     std::ostream& err) {
    if (const auto problem = inputFileProblem(file)) {
        err << kTargetOptionsPrefix << "--socket-image: " << *problem << '\n';
        return false;
    }
    std::string bytes;
    if (!readFileBytes(file, bytes)) {
        err << kTargetOptionsPrefix << "cannot read the socket image " << file << '\n';
        return false;
    }
    // Without a chip type the information block is the file's last 512 bytes.
    const size_t codeWords =
        romWords ? (romWords / 256) * 256 : (bytes.size() > 512 ? (bytes.size() - 512) / 2 : 0);
    if (bytes.size() / 2 > codeWords + 256) {
        err << kTargetOptionsPrefix << "the socket image " << file << " is larger than the chip\n";
        return false;
    }
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const uint16_t w = static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) << 8 |
                                                 static_cast<uint8_t>(bytes[i + 1]));
        if (i / 2 < codeWords)
            socket.imageCode.push_back(w);
        else
            socket.imageInfo.push_back(w);
    }
    return true;
}

} // namespace

void addTargetProgrammerOptions(CLI::App* cmd, TargetProgrammerOptions& o) {
    cmd->add_option("--socket", o.socket,
                    "Chip type (index or name) in the programmer socket, blank; none: empty "
                    "socket (default: the --chip chip, or the type of the flash image)")
        ->check(notEmpty());
    cmd->add_option("--socket-image", o.socketImage,
                    "Word image (.hex) the socket chip already holds")
        ->check(notEmpty());
    cmd->add_flag("--socket-protected", o.socketProtected, "The socket chip is protected");
    cmd->add_option("--flash-state", o.flashState,
                    "File that keeps the programmer's flash and settings across restarts; "
                    "refused at start when it cannot be written")
        ->check(notEmpty());
    cmd->add_option("--inject", o.inject,
                    "Programmer fault: vpp, vdd, flash-busy or verify-fail=ADDR (hexadecimal, "
                    "within the socket chip's program)")
        ->check(notEmpty());
}

bool applyTargetProgrammerOptions(const TargetProgrammerOptions& o, const std::string& lib,
                                  const std::string& chip, TargetConfig& config,
                                  std::ostream& err) {
    ProgrammerConfig& p = config.programmer;
    for (const std::string& fault : o.inject) {
        if (fault == "vpp") {
            p.faults.vpp = true;
        } else if (fault == "vdd") {
            p.faults.vdd = true;
        } else if (fault == "flash-busy") {
            p.faults.flashBusy = true;
        } else if (fault.rfind("verify-fail=", 0) == 0) {
            const auto a = parseTargetHex(fault.substr(12), 0x7FFF);
            if (!a) {
                err << kTargetOptionsPrefix << "\"" << fault
                    << "\": give a program address 0..7FFF in hex\n";
                return false;
            }
            p.faults.verifyFailAddress = *a;
        } else {
            err << kTargetOptionsPrefix << "unknown fault \"" << fault
                << "\" (use vpp, vdd, flash-busy or verify-fail=ADDR)\n";
            return false;
        }
    }
    // The state file may not be there yet; a folder or a device is no place for it.
    if (const auto problem =
            o.flashState.empty() ? std::nullopt : inputFileProblem(o.flashState, true)) {
        err << kTargetOptionsPrefix << "--flash-state: " << *problem << '\n';
        return false;
    }
    p.flashState = o.flashState;
    uint32_t romWords = 0;
    const std::string socketChip = o.socket.empty() ? chip : o.socket;
    if (equalsIgnoreCase(o.socket, "none")) {
        p.socket.kind = SocketSetup::Kind::Empty;
    } else if (!socketChip.empty()) {
        ChipLibrary library(lib.empty() ? chipLibraryDir() : std::filesystem::path(lib));
        ChipModel model;
        if (!loadChosenChip(library, socketChip, model, err, kTargetOptionsPrefix)) return false;
        p.socket.kind = SocketSetup::Kind::Blank;
        p.socket.chipId = model.chipId;
        romWords = model.romWords;
        // A weak cell past the chip's program would never be burned: the fault could not show.
        const uint32_t words = (romWords / 256) * 256;
        if (p.faults.verifyFailAddress >= int64_t(words)) {
            err << kTargetOptionsPrefix
                << "\"verify-fail=" << hexText(uint32_t(p.faults.verifyFailAddress), 4)
                << "h\" lies past the " << words << " program words of " << model.productName
                << " (0.." << hexText(words - 1, 4) << "h)\n";
            return false;
        }
    }
    if (!o.socketImage.empty() && !loadSocketImage(o.socketImage, romWords, p.socket, err))
        return false;
    p.socket.protectedChip = o.socketProtected;
    return true;
}

std::optional<uint32_t> parseTargetHex(std::string text, uint32_t max) {
    if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) text.pop_back();
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) text = text.substr(2);
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

} // namespace zerka::cli
