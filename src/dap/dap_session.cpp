#include "dap/dap_session.h"

#include "core/program_dir.h"
#include "core/text.h"
#include "shell/headless_windows.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <system_error>

namespace zerka::dap {

namespace fs = std::filesystem;

// No windows: the source view model takes the build, dialogs are cancelled.
class DapSession::Windows : public HeadlessWindows {
  public:
    explicit Windows(UiHost& ui) : ui_(ui) {}
    void loadSourceView(const AssemblyResult& result, const std::string&) override {
        if (source) source->load(result, ui_);
    }
    void clearSourceView() override {
        if (source) source->Clear();
    }
    SourceViewModel* source = nullptr;

  private:
    UiHost& ui_;
};

DapSession::DapSession(UiHost& ui) : ui_(ui) {}

DapSession::~DapSession() {
    // The source view listens to the workbench's uP centre: it goes first.
    if (bench_) bench_->debug().setSourceView(nullptr);
    source_.reset();
    bench_.reset();
}

namespace {

std::optional<int> chipIndexOf(const ChipLibrary& library, const std::string& chip) {
    int n = 0;
    const auto [end, ec] = std::from_chars(chip.data(), chip.data() + chip.size(), n);
    if (ec == std::errc{} && end == chip.data() + chip.size() && n >= 0 &&
        size_t(n) < library.entries().size())
        return n;
    return library.findChipByName(chip);
}

bool isProjectFile(const fs::path& p) {
    const std::string ext = toUpperAscii(p.extension().string());
    return ext == ".PRJ" || ext == ".CFG";
}

} // namespace

std::string DapSession::launch(const LaunchSettings& s) {
    if (bench_) return "the session has already been launched";
    if (s.program.empty())
        return "launch needs \"program\": the main .asm file or a .prj/.cfg file";
    std::error_code ec;
    const fs::path program = fs::absolute(s.program, ec);
    if (ec || !fs::is_regular_file(program, ec))
        return "program \"" + s.program + "\" does not exist or is not a file";
    if (s.target != "simulator" && s.target != "emulator")
        return "target \"" + s.target + "\" is neither \"simulator\" nor \"emulator\"";
    if (!s.connect.empty() && s.target != "emulator")
        return "connect names the emulator's unit: add \"target\": \"emulator\"";
    for (const std::string& dir : s.includeDirs)
        if (!fs::is_directory(dir, ec)) return "include folder \"" + dir + "\" is not a folder";

    const fs::path libDir = s.lib.empty() ? chipLibraryDir() : fs::path(s.lib);
    WorkbenchSetup setup;
    setup.programDir = programDir().string();
    setup.libraryDir = libDir;
    setup.ui = &ui_;
    windows_ = std::make_unique<Windows>(ui_);
    setup.windows = windows_.get();
    setup.unit = UnitChoice::inProcess();
    // The adapter's requests are never key repeats: each one finds the step gaps passed.
    setup.clock = [this] {
        clock_ = std::max(clock_ + std::chrono::seconds(1), std::chrono::steady_clock::now());
        return clock_;
    };
    bench_ = std::make_unique<Workbench>(std::move(setup));
    source_ = std::make_unique<SourceViewModel>(bench_->up());
    source_->setUiHost(&ui_);
    windows_->source = source_.get();
    bench_->debug().setSourceView(source_.get());
    std::string problem;
    if (!bench_->loadChipList(&problem))
        return "no chip library in " + libDir.string() +
               (problem.empty() ? "" : " (" + problem + ")");
    Shell& shell = bench_->shell();
    OptionsModel& options = bench_->options();
    shell.setIncludeDirs({s.includeDirs.begin(), s.includeDirs.end()});

    if (isProjectFile(program)) {
        const std::string unread = shell.ReadConfiguration(program.string());
        if (!shell.state().configLoaded || !unread.empty())
            return program.filename().string() + ": " +
                   (unread.empty() ? std::string("not a configuration or project file") : unread);
        if (shell.state().mainFile.empty() && bench_->editor().slotCount() > 0)
            shell.SetMainFile(bench_->editor().pathOf(1));
    } else {
        int index = 0;
        if (!s.chip.empty()) {
            const std::optional<int> found = chipIndexOf(bench_->library(), s.chip);
            if (!found) return "no chip \"" + s.chip + "\" in the chip library " + libDir.string();
            index = *found;
        }
        if (!bench_->chooseChip(index, &problem))
            return "chip " + std::to_string(index) + " cannot be loaded: " + problem;
        bench_->editor().openFile(program.string());
        shell.filesOpened();
        shell.SetMainFile(program.string());
    }
    OptionsControls& c = options.controls();
    if (s.list) c.CkList.checked = *s.list;
    if (s.hex) c.CkBin.checked = *s.hex;
    if (s.asc) c.CkASC.checked = *s.asc;
    if (s.obj) c.CkBin2.checked = *s.obj;
    if (s.smart) options.setSmartCompiler(*s.smart);
    if (s.optimize) options.setOptimization(*s.optimize);
    if (s.protect) c.CProtect.checked = *s.protect;
    if (s.wdt) c.ChWDTJMPOO.checked = *s.wdt;
    if (!s.fill.empty()) {
        const std::string f = toUpperAscii(s.fill);
        const int mode = f == "00" ? 0 : f == "FF" ? 1 : f == "JMP0" ? 2 : -1;
        if (mode < 0 || !options.setFillMode(mode))
            return "fill \"" + s.fill + "\" is not one of 00, FF, JMP0";
    }
    if (!s.acm.empty()) {
        if (s.acm != "1.0" && s.acm != "1.2") return "acm \"" + s.acm + "\" is not 1.0 or 1.2";
        options.selectAcm(s.acm == "1.2");
    }
    if (isProjectFile(program) && options.ideMode() == IdeMode::Programmer)
        return program.filename().string() +
               " is a programmer-mode file: it burns chips and has nothing to debug";
    options.selectIdeMode(IdeMode::Debugger);
    emulator_ = s.target == "emulator";
    if (emulator_) {
        // The unit asked for, else ZERKA_TARGET, else the USB unit: never another one.
        if (!s.connect.empty())
            bench_->useUnit(UnitChoice::socket(s.connect));
        else if (const char* env = std::getenv("ZERKA_TARGET"); env && *env)
            bench_->useUnit(UnitChoice::socket(env, true));
        else
            bench_->useUnit(UnitChoice::hardware());
        // A served virtual unit speaks USB only.
        if (bench_->unit().kind != UnitChoice::Kind::Hardware)
            options.selectInterface(kUsbInterfaceIndex);
    }
    shell.SelectTarget(!emulator_);
    launched_ = true;
    return rebuild();
}

const AssemblyResult& DapSession::assembly() const {
    static const AssemblyResult none;
    return bench_ ? bench_->shell().lastAssembly() : none;
}

std::string DapSession::buildFailure() {
    const AssemblyResult& r = assembly();
    if (!r.reports.empty()) return r.reports.front().text;
    if (!log().entries().empty()) return log().entries().back().text;
    return "the program could not be built and loaded";
}

std::string DapSession::rebuild() {
    if (!launched_) return "nothing has been launched";
    const auto started = fs::file_time_type::clock::now();
    if (!shell().assembleAndRun() || shell().state().debugMode != 1) {
        // A failure that is not the assembler's is the unit's (no answer, another chip).
        if (emulator_ && (assembly().success || assembly().reports.empty()))
            return "the emulator at " + unitName() + " could not be brought up: " + buildFailure();
        return buildFailure();
    }
    builtAt_ = started;
    return {};
}

bool DapSession::sourcesChanged() const {
    if (!launched_) return false;
    std::error_code ec;
    for (const std::string& f : assembly().files) {
        const auto t = fs::last_write_time(f, ec);
        if (!ec && t > builtAt_) return true;
    }
    return false;
}

} // namespace zerka::dap
