#include "cli/asm_options.h"
#include "cli/cli_options.h"

#include "cli/prog_chip.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"

#include <filesystem>

namespace zerka::cli {
namespace {

std::optional<int> fillValue(const std::string& text) {
    if (text == "00" || text == "0") return 0;
    if (equalsIgnoreCase(text, "FF")) return 1;
    if (equalsIgnoreCase(text, "JMP0") || equalsIgnoreCase(text, "JMP 0")) return 2;
    return std::nullopt;
}

} // namespace

void addAsmSwitch(CLI::App* sub, const std::string& name, AsmSwitch& s, const std::string& what) {
    CLI::Option* on = sub->add_flag("--" + name, s.on, what);
    CLI::Option* off = sub->add_flag("--no-" + name, s.off, "");
    on->excludes(off);
}

void addIncludeOption(CLI::App* sub, std::vector<std::string>& dirs) {
    sub->add_option("-I", dirs,
                    "A folder where INCLUDE names are looked up when they are not beside the "
                    "main file (repeatable, in order; the chip library with the chips' register "
                    "headers comes after them)")
        ->check(notEmpty());
}

bool checkIncludeDirs(const std::vector<std::string>& dirs, std::ostream& err,
                      const std::string& me) {
    for (const std::string& d : dirs) {
        std::error_code ec;
        if (!std::filesystem::is_directory(d, ec)) {
            err << me << "-I \"" << d << "\": no such folder\n";
            return false;
        }
    }
    return true;
}

void addAsmOptions(CLI::App* sub, AsmCommandOptions& o, bool withAssembleOnly) {
    sub->add_option("--lib", o.lib,
                    "Chip library folder (default: INCLUDE in the program directory)")
        ->check(notEmpty());
    sub->add_option("--chip", o.chip, "Chip by index or name (default: index 0)")
        ->check(notEmpty());
    addIncludeOption(sub, o.includeDirs);
    if (withAssembleOnly)
        sub->add_flag("--assemble-only", o.assembleOnly,
                      "Assemble only: no program-memory range errors, no operand checks "
                      "(default: build and load)");
    addAsmSwitch(sub, "list", o.list, "--list/--no-list: listing file .lst (default on)");
    addAsmSwitch(sub, "hex", o.hex, "--hex/--no-hex: word image .hex (default on)");
    addAsmSwitch(sub, "ihex", o.ihex,
                 "--ihex/--no-ihex: the word image also as Intel HEX, NAME.ihx (default off). "
                 "Layout: program word k at byte address 2k, high byte first; the 256-word "
                 "information block follows the code at once, as in .hex; 16-byte data "
                 "records (type 00), a type 04 record at each 64 KiB boundary, end record "
                 "type 01");
    addAsmSwitch(sub, "asc", o.asc, "--asc/--no-asc: ASCII file .asc (default off)");
    addAsmSwitch(sub, "obj", o.obj, "--obj/--no-obj: object module .obj (default off)");
    addAsmSwitch(sub, "eeh", o.eeh,
                 "--eeh/--no-eeh: emulator EEPROM image .EEH (default off: program memory RAM "
                 "62256)");
    sub->add_option("--fill", o.fill, "No Use Area Fill: 00 (default), FF or JMP0");
    addAsmSwitch(sub, "smart", o.smart,
                 "--smart/--no-smart: Smart Compiler (default on for CX4A chips; CX4B never uses "
                 "it)");
    addAsmSwitch(sub, "optimize", o.optimize,
                 "--optimize/--no-optimize: Optimization, implies --smart (default off)");
    addAsmSwitch(sub, "protect", o.protect,
                 "--protect/--no-protect: Program Protect (default off)");
    sub->add_option("--acm", o.acm,
                    "ACM Voltage 1.0 or 1.2 (default: the chip's, 1.2 when it prefers 1.2 V; "
                    "used only by chips that offer the choice)");
    addAsmSwitch(sub, "wdt-jmp0", o.wdt,
                 "--wdt-jmp0/--no-wdt-jmp0: WDT Reset Vector JMP 0 (default on for chips with id "
                 "71h, off otherwise)");
}

std::unique_ptr<AsmSetup> prepareAssembly(const AsmCommandOptions& o, AssemblyMode mode,
                                          std::ostream& err, const std::string& me,
                                          UiHost* ui) {
    if (const auto problem = inputFileProblem(o.main)) {
        err << me << *problem << '\n';
        return nullptr;
    }
    if (!checkIncludeDirs(o.includeDirs, err, me)) return nullptr;
    std::optional<int> fill;
    if (!o.fill.empty()) {
        fill = fillValue(o.fill);
        if (!fill) {
            err << me << "--fill \"" << o.fill << "\" is not one of 00, FF, JMP0\n";
            return nullptr;
        }
    }
    std::optional<bool> acmHigh;
    if (!o.acm.empty()) {
        if (o.acm == "1.0" || equalsIgnoreCase(o.acm, "1.0V"))
            acmHigh = false;
        else if (o.acm == "1.2" || equalsIgnoreCase(o.acm, "1.2V"))
            acmHigh = true;
        else {
            err << me << "--acm \"" << o.acm << "\" is not 1.0 or 1.2\n";
            return nullptr;
        }
    }

    auto setup = std::make_unique<AsmSetup>();
    WorkbenchSetup w;
    w.programDir = programDir().string();
    w.libraryDir = o.lib.empty() ? chipLibraryDir() : std::filesystem::path(o.lib);
    w.ui = ui;
    w.unit = UnitChoice::inProcess();
    setup->bench = std::make_unique<Workbench>(std::move(w));
    setup->library = &setup->bench->library();
    setup->chip = &setup->bench->chip();
    setup->options = &setup->bench->options();
    ChipLibrary& library = *setup->library;
    std::string error;
    if (!setup->bench->loadChipList(&error)) {
        err << me << error << '\n';
        return nullptr;
    }
    OptionsModel& options = *setup->options;
    int index = 0;
    if (!o.chip.empty()) {
        const std::optional<int> found = findChip(library, o.chip);
        if (!found) {
            err << me << "no chip \"" << o.chip << "\" in the chip library "
                << library.libraryDir().string() << " (" << library.entries().size()
                << " chips; give an index or a chip name)\n";
            return nullptr;
        }
        index = *found;
    }
    if (!setup->bench->chooseChip(index, &error)) {
        err << me << "chip " << index << " cannot be loaded: " << error << '\n';
        return nullptr;
    }

    // The chip's defaults first, then what the command line asks for.
    OptionsControls& c = options.controls();
    if (auto v = o.list.value()) c.CkList.checked = *v;
    if (auto v = o.hex.value()) c.CkBin.checked = *v;
    if (auto v = o.asc.value()) c.CkASC.checked = *v;
    if (auto v = o.obj.value()) c.CkBin2.checked = *v;
    if (auto v = o.smart.value()) options.setSmartCompiler(*v);
    if (auto v = o.optimize.value()) options.setOptimization(*v);
    if (auto v = o.protect.value()) c.CProtect.checked = *v;
    if (auto v = o.wdt.value()) c.ChWDTJMPOO.checked = *v;
    if (fill) options.setFillMode(*fill);
    if (acmHigh) options.selectAcm(*acmHigh);

    setup->assembly = assemblyOptionsFrom(options, mode);
    if (auto v = o.eeh.value()) setup->assembly.eehFile = *v;
    if (auto v = o.ihex.value()) setup->assembly.ihexFile = *v;
    setup->instructions.loadBuiltIn(coreTypeFromVariant(setup->chip->coreVariant));
    setup->includeDirs.assign(o.includeDirs.begin(), o.includeDirs.end());
    setup->includeDirs.push_back(library.libraryDir());
    return setup;
}

std::optional<std::string> coreHint(const AssemblyResult& result, const ChipModel& chip) {
    if (result.otherCoreMnemonic.empty()) return std::nullopt;
    const char* core = chip.coreVariant == 1 ? "CX4B" : "CX4A";
    const char* other = chip.coreVariant == 1 ? "CX4A" : "CX4B";
    const std::string name = chip.productName.empty() ? std::string("the chip") : chip.productName;
    return result.otherCoreMnemonic + " is an instruction of the " + other +
           " core, but the selected chip " + name + " has a " + core + " core: choose a " + other +
           " chip with --chip (zerka chips lists them)";
}

} // namespace zerka::cli
