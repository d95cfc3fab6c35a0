#include "gui/main/debug_window_set.h"

#include "gui/debug/program_memory_window.h"
#include "gui/debug/ram_window.h"
#include "gui/debug/register_window.h"
#include "gui/debug/source_view_widget.h"
#include "gui/debug/stack_window.h"
#include "gui/debug/watch_window.h"
#include "gui/editor/editor_window.h"
#include "gui/editor/language_service.h"
#include "gui/main/main_window.h"
#include "shell/debug_commands.h"

#include <filesystem>

namespace zerka::gui {

namespace {

// The ".pro" beside a file: its path up to the extension, then ".pro".
std::filesystem::path proBeside(const std::string& file) {
    return std::filesystem::path(file).replace_extension(".pro");
}

} // namespace

DebugWindowSet::DebugWindowSet(MainWindow& main)
    : QObject(&main), main_(main),
      model_(std::make_unique<SourceViewModel>(main.workbench().up())) {
    DebugViews& views = main.workbench().views();
    UiHost& ui = main.workbench().ui();
    DebugCommands& commands = main.workbench().debug();

    source_ = new SourceViewWidget(*model_);
    main.installDebugWindow(Slot::Source, source_, source_);
    main.setSourceViewPort(model_.get());
    main.setSourceViewLoader([this, &main](const AssemblyResult& result, const std::string&) {
        model_->load(result, main.workbench().ui());
    });
    connect(source_, &SourceViewWidget::memoryCheckRequested, this,
            [&commands] { commands.memoryCheck(); });
    connect(source_, &SourceViewWidget::addressSelected, this, [&commands](uint32_t address) {
        commands.addressSelected(address, AddressSender::SourceView);
    });
    routeSourceCommands(main.commandRouter());

    programMemory_ = new ProgramMemoryWindow(views, ui);
    main.installDebugWindow(Slot::ProgramMemory, programMemory_, programMemory_);
    connect(programMemory_, &ProgramMemoryWindow::addressSelected, this,
            [&commands](uint32_t address) {
                commands.addressSelected(address, AddressSender::ProgramMemory);
            });

    ram_ = new RamWindow(views, ui);
    main.installDebugWindow(Slot::Ram, ram_, ram_);
    stack_ = new StackWindow(views, ui);
    main.installDebugWindow(Slot::Stack, stack_, stack_);
    registers_ = new RegisterWindow(views, ui);
    main.installDebugWindow(Slot::Register, registers_, registers_);
    watch_ = new WatchWindow(views, ui);
    main.installDebugWindow(Slot::Watch, watch_, watch_);

    // The breakpoint list: a chosen row shows its line in the source view and its address in
    // the program-memory window.
    breakpointModel_ = std::make_unique<BreakpointListModel>(main.workbench().up(), model_.get());
    breakpoints_ = new BreakpointListWindow(*breakpointModel_);
    main.installDebugWindow(Slot::Breakpoints, breakpoints_, breakpoints_);
    main.subWindow(Slot::Breakpoints)->resize(560, 220);
    connect(breakpoints_, &BreakpointListWindow::lineChosen, this,
            [this, &main, &commands](uint32_t address, int file, int line) {
                // Last the row: refreshing the windows puts the source cursor on the PC.
                commands.addressSelected(address, AddressSender::BreakpointList);
                main.showAsChild(Slot::Source, true);
                model_->ShowRow(file, line);
            });

    Shell& shell = main.workbench().shell();
    entered_ = shell.debugModeEntered.connect([this] { debugModeEntered(); });
    leaving_ = shell.debugModeLeaving.connect([this] {
        if (source_) source_->setDebugMode(false);
    });
    refreshWords();
}

DebugWindowSet::~DebugWindowSet() {
    main_.workbench().shell().debugModeEntered.disconnect(entered_);
    main_.workbench().shell().debugModeLeaving.disconnect(leaving_);
}

void DebugWindowSet::debugModeEntered() {
    const IdeState& s = main_.workbench().shell().state();
    refreshWords();
    // The build cleared the breakpoints without a change notice.
    breakpointModel_->Refresh();
    if (source_) {
        source_->ApplyFont(s.editorFont);
        source_->setDebugMode(true);
    }
    if (!watch_) return;
    // After each build the watch list comes from the project's list, else from the ".pro" of
    // the current file; closing the window saves it beside the current file.
    const std::string& current = s.currentFile.empty() ? s.mainFile : s.currentFile;
    const std::filesystem::path list =
        !s.projectFile.empty() && !s.watchListFile.empty() ? std::filesystem::path(s.watchListFile)
        : current.empty()                                  ? std::filesystem::path()
                                                           : proBeside(current);
    if (!current.empty()) watch_->setPropertiesFile(proBeside(current));
    watch_->symbolsReloaded(list);
    watch_->refreshView();
}

void DebugWindowSet::routeSourceCommands(CommandRouter& router) {
    // Guarded: a window installed later in the slot (tests do) replaces the source view.
    const QPointer<SourceViewWidget> view = source_;
    auto route = [&router, view](WindowCommand c,
                                 void (*f)(SourceViewWidget&, const QPoint&, int)) {
        router.add(Slot::Source, c, [view, f](const CommandArgument& a) {
            if (view) f(*view, QPoint(a.x, a.y), a.number);
            return true;
        });
    };
    // Both finds of the main window open the source view's one.
    route(WindowCommand::Find, [](SourceViewWidget& v, const QPoint&, int) { v.findDialog(); });
    route(WindowCommand::QuickFind,
          [](SourceViewWidget& v, const QPoint&, int) { v.findDialog(); });
    route(WindowCommand::FindNext, [](SourceViewWidget& v, const QPoint&, int) { v.findNext(); });
    route(WindowCommand::NextFile, [](SourceViewWidget& v, const QPoint&, int) { v.nextFile(); });
    route(WindowCommand::PreviousFile,
          [](SourceViewWidget& v, const QPoint&, int) { v.previousFile(); });
    route(WindowCommand::PageMenu,
          [](SourceViewWidget& v, const QPoint& at, int) { v.showFileMenu(at); });
    route(WindowCommand::SetBookmark,
          [](SourceViewWidget& v, const QPoint&, int n) { v.setBookmark(n); });
    route(WindowCommand::GotoBookmark,
          [](SourceViewWidget& v, const QPoint&, int n) { v.gotoBookmark(n); });
    router.add(Slot::Source, WindowCommand::HasBookmark,
               [view](const CommandArgument& a) { return view && view->hasBookmark(a.number); });
}

void DebugWindowSet::refreshWords() {
    LanguageWords words;
    for (const InstructionDef& d : main_.workbench().up().instructions().definitions())
        words.mnemonics.push_back(d.mnemonic);
    main_.editor().setLanguageWords(words);
    // The editor's squiggles and hover analyse the build as the IDE makes it.
    main_.editor().setLanguageSettings([&bench = main_.workbench()] {
        return LanguageSettings{std::to_string(bench.options().chipIndex()),
                                bench.library().libraryDir().string(),
                                bench.shell().state().mainFile};
    });
    if (source_) source_->setWords(std::make_shared<AsmWords>(words.mnemonics, standardDirectives()));
}

} // namespace zerka::gui
