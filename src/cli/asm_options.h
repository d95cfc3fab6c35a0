#pragma once
// The options of `zerka asm` as a reusable piece: the command-line switches, and the chip
// library, chip model, options model and assembly options they choose. `zerka sim` assembles
// with the same options.
#include "asm/assembler.h"
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "cli/cli_context.h"
#include "shell/workbench.h"
#include "upcentre/core/instruction_set.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace zerka::cli {

// The assembler's message lines on a stream as they come, each after `prefix`.
class PrefixedLog : public MessageLog {
  public:
    PrefixedLog(std::ostream& out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}
    void AddEntry(const std::string&, int, const std::string& text) override {
        out_ << prefix_ << text << '\n';
    }
    void ClearLog() override {}

  private:
    std::ostream& out_;
    std::string prefix_;
};

// A switch given as --NAME or --no-NAME; unset keeps the options model's value.
struct AsmSwitch {
    bool on = false;
    bool off = false;
    std::optional<bool> value() const {
        if (on) return true;
        if (off) return false;
        return std::nullopt;
    }
};

struct AsmCommandOptions {
    std::string lib;
    std::string chip;
    bool assembleOnly = false;
    AsmSwitch list, hex, ihex, asc, obj, eeh, smart, optimize, protect, wdt;
    std::string fill;
    std::string acm;
    std::vector<std::string> includeDirs; // -I, in order
    std::string main;
};

// Adds the switches (without MAIN and, unless asked, without --assemble-only) to `sub`.
void addAsmOptions(CLI::App* sub, AsmCommandOptions& o, bool withAssembleOnly);
void addAsmSwitch(CLI::App* sub, const std::string& name, AsmSwitch& s, const std::string& what);

// Everything one assembly run of the command line needs: a workbench with the chip library, the
// chosen chip and the options, and what the switches made of them. The setup lives on the heap
// and never moves.
struct AsmSetup {
    std::unique_ptr<Workbench> bench;
    ChipLibrary* library = nullptr; // the workbench's
    ChipModel* chip = nullptr;
    OptionsModel* options = nullptr;
    InstructionSet instructions;
    AssemblyOptions assembly;
    // The -I folders, then the chip library: where INCLUDE names not beside MAIN are found.
    std::vector<std::filesystem::path> includeDirs;

    // What the assembler needs of this set-up, its messages going to `log`.
    AssemblyContext context(MessageLog& log) const {
        AssemblyContext c;
        c.chip = chip;
        c.instructions = &instructions;
        c.chipListVersion = library->chipListVersionNumber();
        c.log = &log;
        c.includeDirs = includeDirs;
        return c;
    }
};

// Adds -I DIR (repeatable) to `sub`.
void addIncludeOption(CLI::App* sub, std::vector<std::string>& dirs);
// The -I folders must be folders; false (after saying which is not, after `me`) otherwise.
bool checkIncludeDirs(const std::vector<std::string>& dirs, std::ostream& err,
                      const std::string& me);

// Checks MAIN, builds the workbench (its messages through `ui`; null: none), loads the library
// and the chip and applies the switches. On a usage error it writes the reason (after `me`) to
// `err` and returns nothing.
std::unique_ptr<AsmSetup> prepareAssembly(const AsmCommandOptions& o, AssemblyMode mode,
                                          std::ostream& err, const std::string& me,
                                          UiHost* ui = nullptr);

// A hint line for a run that failed on an instruction of the other core (a program written
// for a chip of the other core): names the chip, its core and --chip. Nothing otherwise.
std::optional<std::string> coreHint(const AssemblyResult& result, const ChipModel& chip);

} // namespace zerka::cli
