// `zerka build`: reads a project or configuration file as the IDE does and runs its build:
// "Assemble" with --assemble-only, otherwise "Assemble&&Run" on the file's target (or
// --target); a programmer-mode file downloads its word image into the programmer's flash.
// Prints the message log and the checksum; exit 0 when the build (and the load)
// succeeded, 1 when it failed, 2 for a usage error.
#include "cli/cli_number.h"
#include "cli/cli_options.h"
#include "cli/stderr_ui.h"
#include "cli/commands.h"

#include "cli/asm_options.h"
#include "core/program_dir.h"
#include "core/text.h"
#include "coverage/outputs.h"
#include "link/socket_transport.h"
#include "shell/workbench.h"

#include <filesystem>
#include <memory>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
constexpr const char* kBuildPrefix = "zerka build: ";

struct BuildOptions {
    std::string lib;
    bool assembleOnly = false;
    std::string target;
    std::string connect;
    std::vector<std::string> includeDirs;
    std::string file;
    coverage::OutputRequest counting; // --coverage, --coverage-append, --profile
    std::string maxInstructions;      // the counted run's limit
};

// After a simulator build: runs the program from reset until a breakpoint, sleep or the limit,
// then writes the coverage and profile of the run.
int countedRun(TZk_UP& up, Shell& shell, const BuildOptions& o, uint64_t limit, CliContext& ctx) {
    up.setTickLimit(limit);
    up.setYieldHook([&up] {
        if (up.running() && (up.cpu().sleeping() || up.cpu().idle())) up.Stop();
    });
    up.Run();
    ctx.out << "Ran " << up.executedInstructions() << " instructions, " << up.cpu().GetCycles()
            << " cycles\n";
    const AssemblyResult& result = shell.lastAssembly();
    const coverage::Report report =
        coverage::makeReport(coverage::LineMap(result), *up.counts(),
                             coverage::programOf(up.cpu(), up.engine(), result));
    std::string error;
    if (!coverage::writeOutputs(report, o.counting, ctx.out, error)) {
        ctx.err << kBuildPrefix << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

int runBuild(const BuildOptions& o, CliContext& ctx) {
    if (const auto problem = inputFileProblem(o.file)) {
        ctx.err << kBuildPrefix << *problem << '\n';
        return kExitUsage;
    }
    const fs::path libDir = o.lib.empty() ? chipLibraryDir() : fs::path(o.lib);
    StderrUi ui(ctx.err, kBuildPrefix);
    WorkbenchSetup setup;
    setup.programDir = programDir().string();
    setup.libraryDir = libDir;
    setup.ui = &ui;
    setup.unit = UnitChoice::inProcess();
    Workbench bench(std::move(setup));
    std::string problem;
    if (!bench.loadChipList(&problem)) {
        ctx.err << kBuildPrefix << "no chip library in " << libDir.string()
                << (problem.empty() ? "" : " (" + problem + ")") << '\n';
        return kExitUsage;
    }
    if (!o.connect.empty()) {
        TargetAddress address;
        if (!parseTargetAddress(o.connect, address, problem)) {
            ctx.err << kBuildPrefix << "--connect \"" << o.connect << "\": " << problem << '\n';
            return kExitUsage;
        }
    }
    if (!checkIncludeDirs(o.includeDirs, ctx.err, kBuildPrefix)) return kExitUsage;
    Shell* shell = &bench.shell();
    TZk_UP& up = bench.up();
    shell->setIncludeDirs({o.includeDirs.begin(), o.includeDirs.end()});
    const std::string unread = shell->ReadConfiguration(fs::absolute(o.file).string());
    // A file that does not hold every setting, or names no chip of the library, would build
    // something else than the project.
    if (!shell->state().configLoaded || !unread.empty()) {
        if (!shell->state().configLoaded && !unread.empty())
            ctx.err << kBuildPrefix << o.file << ": " << unread << '\n';
        ctx.err << kBuildPrefix << "nothing was built\n";
        return kExitFailed;
    }
    const bool programmer = bench.options().ideMode() == IdeMode::Programmer;
    const bool simulator =
        o.target.empty() ? shell->state().simulatorMode : o.target == "simulator";
    if (!o.connect.empty() && simulator && !programmer) {
        ctx.err << kBuildPrefix << "--connect needs --target emulator or a programmer-mode file\n";
        return kExitUsage;
    }
    // The emulator: the unit at --connect, else the virtual unit in this process (for the chip
    // the file names). A programmer-mode build downloads into the programmer of the same unit.
    if (!simulator || programmer) bench.useUnit(UnitChoice::commandLine(o.connect, false));
    if (programmer) bench.programmer();
    shell->SelectTarget(simulator);
    if (shell->state().mainFile.empty() && bench.editor().slotCount() > 0)
        shell->SetMainFile(bench.editor().pathOf(1));

    if (o.counting.append && o.counting.coverage.empty()) {
        ctx.err << kBuildPrefix << "--coverage-append needs --coverage FILE\n";
        return kExitUsage;
    }
    uint64_t limit = 10'000'000;
    if (o.counting.any() || !o.maxInstructions.empty()) {
        const CommandNumber n = parseCommandNumber(toUpperAscii(o.maxInstructions));
        if (!o.maxInstructions.empty() && (!n.isNumber || n.tooLarge || n.value < 1)) {
            ctx.err << kBuildPrefix << "--max-instructions \"" << o.maxInstructions
                    << "\" is not a count of at least 1\n";
            return kExitUsage;
        }
        if (!o.maxInstructions.empty()) limit = uint64_t(n.value);
        if (!o.counting.any()) {
            ctx.err << kBuildPrefix << "--max-instructions goes with --coverage or --profile\n";
            return kExitUsage;
        }
        if (o.assembleOnly || !simulator || programmer) {
            ctx.err << kBuildPrefix
                    << "--coverage and --profile run the program on the simulator: not "
                       "with --assemble-only, the emulator or a programmer-mode file\n";
            return kExitUsage;
        }
        up.setCounting(true);
    }

    const bool ok = o.assembleOnly ? shell->assembleOnly() : shell->assembleAndRun();
    for (const LogEntry& e : bench.log().entries())
        ctx.out << e.text << '\n';
    // A failed build made no image, so no checksum of one.
    if (ok) ctx.out << "Checksum = 0x" << hexText(shell->state().imageChecksum, 4) << '\n';
    if (ok && up.counting()) return countedRun(up, *shell, o, limit, ctx);
    return ok ? kExitOk : kExitFailed;
}

} // namespace

void registerBuildCommand(CLI::App& app, CliContext& ctx) {
    auto o = std::make_shared<BuildOptions>();
    CLI::App* sub = app.add_subcommand(
        "build", "Build a project or configuration file as the IDE does (Assemble&&Run, or "
                 "Assemble with --assemble-only)");
    sub->add_option("--lib", o->lib, "Chip library folder (default: INCLUDE/ of the program)");
    sub->add_flag("--assemble-only", o->assembleOnly, "Only assemble (the \"Assemble\" command)");
    sub->add_option("--target", o->target, "simulator or emulator (overrides the file's choice)")
        ->check(CLI::IsMember({"simulator", "emulator"}));
    sub->add_option("--connect", o->connect,
                    "With --target emulator or a programmer-mode file: the unit served at "
                    "unix:PATH or tcp:127.0.0.1:PORT");
    addIncludeOption(sub, o->includeDirs);
    sub->add_option("--coverage", o->counting.coverage,
                    "After a simulator build, run the program and write its lcov trace file")
        ->check(notEmpty());
    sub->add_flag("--coverage-append", o->counting.append,
                  "Add to the counts of the existing --coverage file");
    sub->add_option("--profile", o->counting.profile,
                    "After a simulator build, run the program and write its cycle profile as "
                    "JSON, or print it for \"-\"")
        ->check(notEmpty());
    sub->add_option("--max-instructions", o->maxInstructions,
                    "The run of --coverage/--profile stops after N instructions (default "
                    "10000000), at a breakpoint or when the CPU sleeps");
    sub->add_option("FILE", o->file, "The .prj or .cfg file")->required();
    sub->callback([o, &ctx] { ctx.exitCode = runBuild(*o, ctx); });
}

} // namespace zerka::cli
