#include "dap/dap_session.h"

#include "core/program_dir.h"
#include "core/text.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace zerka::dap {

namespace fs = std::filesystem;

// No windows: the source view model takes the build, dialogs are cancelled.
class DapSession::Windows : public ShellWindows {
  public:
    Windows(SourceViewModel& source, UiHost& ui) : source_(source), ui_(ui) {}
    SaveAnswer askSaveChanges(const std::string&, bool) override { return SaveAnswer::No; }
    bool askYesCancel(const std::string&) override { return false; }
    void showAsChild(Slot, bool) override {}
    bool isShowing(Slot) const override { return false; }
    std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> saveFileDialog(const FileDialogRequest&) override { return {}; }
    void setTitle(const std::string&) override {}
    void setConnectionPanel(ConnectionPanel) override {}
    void setChecksumPanel(const std::string&) override {}
    void commandsChanged() override {}
    void closeMainWindow() override {}
    void loadSourceView(const AssemblyResult& result, const std::string&) override {
        source_.load(result, ui_);
    }
    void clearSourceView() override { source_.Clear(); }

  private:
    SourceViewModel& source_;
    UiHost& ui_;
};

// The debug windows are models only: nothing to repaint, no timers (the adapter's run loop
// drives the uP centre itself).
class DapSession::Host : public DebugHost {
  public:
    void refreshDebugWindows() override {}
    void setContinueTimer(bool) override {}
    void setLinkWatchdog(bool) override {}
    void showStackStatus(const StackStateText&, const std::string&) override {}
    BreakpointTarget breakpointTarget() const override { return BreakpointTarget::SourceView; }
};

DapSession::DapSession(UiHost& ui) : ui_(ui), up_(&ui), source_(up_) {
    source_.setUiHost(&ui);
}

DapSession::~DapSession() {
    // The commands and views listen to the shell and the uP centre: they go first.
    commands_.reset();
    views_.reset();
    shell_.reset();
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
    if (shell_) return "the session has already been launched";
    if (s.program.empty())
        return "launch needs \"program\": the main .asm file or a .prj/.cfg file";
    std::error_code ec;
    const fs::path program = fs::absolute(s.program, ec);
    if (ec || !fs::is_regular_file(program, ec))
        return "program \"" + s.program + "\" does not exist or is not a file";
    if (s.target != "simulator")
        return "target \"" + s.target + "\" is not offered by this adapter yet: use \"simulator\"";
    for (const std::string& dir : s.includeDirs)
        if (!fs::is_directory(dir, ec)) return "include folder \"" + dir + "\" is not a folder";

    const fs::path libDir = s.lib.empty() ? chipLibraryDir() : fs::path(s.lib);
    library_ = std::make_unique<ChipLibrary>(libDir);
    std::string problem;
    if (!library_->buildChipList(&problem))
        return "no chip library in " + libDir.string() +
               (problem.empty() ? "" : " (" + problem + ")");
    options_ = std::make_unique<OptionsModel>(*library_, chip_);
    windows_ = std::make_unique<Windows>(source_, ui_);
    host_ = std::make_unique<Host>();
    ShellParts parts{*library_, chip_, *options_, up_, editor_, log_, ui_, *windows_, nullptr, {}};
    shell_ = std::make_unique<Shell>(parts, programDir().string());
    shell_->setIncludeDirs({s.includeDirs.begin(), s.includeDirs.end()});
    views_ = std::make_unique<DebugViews>(up_, chip_);
    // The adapter's requests are never key repeats: each one finds the step gaps passed.
    commands_ = std::make_unique<DebugCommands>(*shell_, *views_, *host_, [this] {
        clock_ = std::max(clock_ + std::chrono::seconds(1), std::chrono::steady_clock::now());
        return clock_;
    });
    commands_->setSourceView(&source_);

    if (isProjectFile(program)) {
        const std::string unread = shell_->ReadConfiguration(program.string());
        if (!shell_->state().configLoaded || !unread.empty())
            return program.filename().string() + ": " +
                   (unread.empty() ? std::string("not a configuration or project file") : unread);
        if (shell_->state().mainFile.empty() && editor_.slotCount() > 0)
            shell_->SetMainFile(editor_.pathOf(1));
    } else {
        int index = 0;
        if (!s.chip.empty()) {
            const std::optional<int> found = chipIndexOf(*library_, s.chip);
            if (!found) return "no chip \"" + s.chip + "\" in the chip library " + libDir.string();
            index = *found;
        }
        if (!options_->chooseChip(index, &problem))
            return "chip " + std::to_string(index) + " cannot be loaded: " + problem;
        editor_.openFile(program.string());
        shell_->filesOpened();
        shell_->SetMainFile(program.string());
    }
    OptionsControls& c = options_->controls();
    if (s.list) c.CkList.checked = *s.list;
    if (s.hex) c.CkBin.checked = *s.hex;
    if (s.asc) c.CkASC.checked = *s.asc;
    if (s.obj) c.CkBin2.checked = *s.obj;
    if (s.smart) options_->setSmartCompiler(*s.smart);
    if (s.optimize) options_->setOptimization(*s.optimize);
    if (s.protect) c.CProtect.checked = *s.protect;
    if (s.wdt) c.ChWDTJMPOO.checked = *s.wdt;
    if (!s.fill.empty()) {
        const std::string f = toUpperAscii(s.fill);
        const int mode = f == "00" ? 0 : f == "FF" ? 1 : f == "JMP0" ? 2 : -1;
        if (mode < 0 || !options_->setFillMode(mode))
            return "fill \"" + s.fill + "\" is not one of 00, FF, JMP0";
    }
    if (!s.acm.empty()) {
        if (s.acm != "1.0" && s.acm != "1.2") return "acm \"" + s.acm + "\" is not 1.0 or 1.2";
        options_->selectAcm(s.acm == "1.2");
    }
    if (isProjectFile(program) && options_->ideMode() == IdeMode::Programmer)
        return program.filename().string() +
               " is a programmer-mode file: it burns chips and has nothing to debug";
    options_->selectIdeMode(IdeMode::Debugger);
    shell_->SelectTarget(true);
    return rebuild();
}

const AssemblyResult& DapSession::assembly() const {
    static const AssemblyResult none;
    return shell_ ? shell_->lastAssembly() : none;
}

std::string DapSession::buildFailure() {
    const AssemblyResult& r = shell_->lastAssembly();
    if (!r.reports.empty()) return r.reports.front().text;
    if (!log_.entries().empty()) return log_.entries().back().text;
    return "the program could not be built and loaded";
}

std::string DapSession::rebuild() {
    if (!shell_) return "nothing has been launched";
    const auto started = fs::file_time_type::clock::now();
    if (!shell_->assembleAndRun() || shell_->state().debugMode != 1) return buildFailure();
    builtAt_ = started;
    return {};
}

bool DapSession::sourcesChanged() const {
    if (!shell_) return false;
    std::error_code ec;
    for (const std::string& f : shell_->lastAssembly().files) {
        const auto t = fs::last_write_time(f, ec);
        if (!ec && t > builtAt_) return true;
    }
    return false;
}

} // namespace zerka::dap
