// `zerka build`: reads a project or configuration file as the IDE does and runs its build:
// "Assemble" with --assemble-only, otherwise "Assemble&&Run" on the file's target (or
// --target); a programmer-mode file downloads its word image into the programmer's flash.
// Prints the message log and the checksum; exit 0 when the build (and the load)
// succeeded, 1 when it failed, 2 for a usage error.
#include "cli/commands.h"

#include "cli/asm_options.h"
#include "core/program_dir.h"
#include "core/text.h"
#include "link/socket_transport.h"
#include "shell/workbench.h"

#include <filesystem>
#include <memory>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
constexpr const char* kMe = "zerka build: ";

struct BuildOptions {
    std::string lib;
    bool assembleOnly = false;
    std::string target;
    std::string connect;
    std::vector<std::string> includeDirs;
    std::string file;
};

// Messages on stderr; a question is answered Cancel (a build in CI must not go on after one).
class StderrUi : public UiHost {
  public:
    explicit StderrUi(std::ostream& err) : err_(err) {}
    Button messageBox(MessageType, const std::string& text, Buttons buttons) override {
        err_ << kMe << text << '\n';
        last = text;
        return buttons == Buttons::Ok ? Button::Ok : Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::string last;

  private:
    std::ostream& err_;
};

int runBuild(const BuildOptions& o, CliContext& ctx) {
    if (const auto problem = inputFileProblem(o.file)) {
        ctx.err << kMe << *problem << '\n';
        return kExitUsage;
    }
    const fs::path libDir = o.lib.empty() ? chipLibraryDir() : fs::path(o.lib);
    StderrUi ui(ctx.err);
    WorkbenchSetup setup;
    setup.programDir = programDir().string();
    setup.libraryDir = libDir;
    setup.ui = &ui;
    setup.unit = UnitChoice::inProcess();
    Workbench bench(std::move(setup));
    std::string problem;
    if (!bench.loadChipList(&problem)) {
        ctx.err << kMe << "no chip library in " << libDir.string()
                << (problem.empty() ? "" : " (" + problem + ")") << '\n';
        return kExitUsage;
    }
    if (!o.connect.empty()) {
        TargetAddress address;
        if (!parseTargetAddress(o.connect, address, problem)) {
            ctx.err << kMe << "--connect \"" << o.connect << "\": " << problem << '\n';
            return kExitUsage;
        }
    }
    if (!checkIncludeDirs(o.includeDirs, ctx.err, kMe)) return kExitUsage;
    Shell* shell = &bench.shell();
    shell->setIncludeDirs({o.includeDirs.begin(), o.includeDirs.end()});
    const std::string unread = shell->ReadConfiguration(fs::absolute(o.file).string());
    // A file that does not hold every setting, or names no chip of the library, would build
    // something else than the project.
    if (!shell->state().configLoaded || !unread.empty()) {
        if (!shell->state().configLoaded && !unread.empty())
            ctx.err << kMe << o.file << ": " << unread << '\n';
        ctx.err << kMe << "nothing was built\n";
        return kExitFailed;
    }
    const bool programmer = bench.options().ideMode() == IdeMode::Programmer;
    const bool simulator =
        o.target.empty() ? shell->state().simulatorMode : o.target == "simulator";
    if (!o.connect.empty() && simulator && !programmer) {
        ctx.err << kMe << "--connect needs --target emulator or a programmer-mode file\n";
        return kExitUsage;
    }
    // The emulator: the unit at --connect, else the virtual unit in this process (for the chip
    // the file names). A programmer-mode build downloads into the programmer of the same unit.
    if (!simulator || programmer) bench.useUnit(UnitChoice::commandLine(o.connect, false));
    if (programmer) bench.programmer();
    shell->SelectTarget(simulator);
    if (shell->state().mainFile.empty() && bench.editor().slotCount() > 0)
        shell->SetMainFile(bench.editor().pathOf(1));

    const bool ok = o.assembleOnly ? shell->assembleOnly() : shell->assembleAndRun();
    for (const LogEntry& e : bench.log().entries())
        ctx.out << e.text << '\n';
    // A failed build made no image, so no checksum of one.
    if (ok) ctx.out << "Checksum = 0x" << hexText(shell->state().imageChecksum, 4) << '\n';
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
    sub->add_option("FILE", o->file, "The .prj or .cfg file")->required();
    sub->callback([o, &ctx] { ctx.exitCode = runBuild(*o, ctx); });
}

} // namespace zerka::cli
