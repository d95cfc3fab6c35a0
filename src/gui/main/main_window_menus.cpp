// The main window's menu bar: the File, Edit, Search, View, Windows, Assemble&&Run, Options,
// Help and Programmer menus, and the always-on-top menu. What each item is (caption, key,
// enabling) comes from the command table; here is where it sits and what it does.
#include "gui/main/main_window.h"

#include "gui/editor/editor_window.h"
#include "shell/window_slots.h"

#include <QMenuBar>

namespace zerka::gui {

namespace {

// A separator in a menu's list of commands.
constexpr Command kSeparator = Command::Count;

} // namespace

void MainWindow::makeActions() {
    for (const CommandEntry& entry : commandTable()) {
        const QString caption = entry.caption == TextId::None
                                    ? QString::fromLatin1(entry.ownCaption)
                                    : captionOf(entry.caption);
        auto* a = new QAction(caption, this);
        a->setShortcut(QKeySequence(entry.key));
        a->setShortcutContext(entry.context);
        a->setObjectName(withoutMnemonic(caption));
        captions_.item(a, entry.caption, entry.caption == TextId::None ? caption : QString());
        actions_[entry.command] = a;
    }
}

void MainWindow::on(Command c, std::function<void()> run) {
    connect(actions_.at(c), &QAction::triggered, this, [run = std::move(run)] { run(); });
}

QMenu* MainWindow::addMenu(QMenu* parent, TextId caption, std::initializer_list<Command> items) {
    QMenu* m = parent ? parent->addMenu(captionOf(caption)) : menuBar()->addMenu(captionOf(caption));
    captions_.menu(m, caption);
    for (Command c : items)
        if (c == kSeparator)
            m->addSeparator();
        else
            m->addAction(actions_.at(c));
    return m;
}

void MainWindow::runCommand(Command c, const CommandArgument& argument) {
    const CommandEntry* entry = commandEntry(c);
    if (entry && entry->routed) router_.run(*entry->routed, argument, entry->windows);
}

void MainWindow::buildMenus() {
    makeActions();
    Shell& s = bench_->shell();
    using enum Command;

    QMenu* file = addMenu(nullptr, TextId::MenuFile,
                          {New, Open, Save, SaveAs, SaveAll, CloseFile, CloseAll, kSeparator,
                           OpenProject, SaveProject, kSeparator, Exit});
    on(New, [&s] { s.newFile(); });
    on(Open, [this] { openSourceFile(); });
    on(Save, [&s] { s.save(false); });
    on(SaveAs, [&s] { s.save(true); });
    on(SaveAll, [&s] { s.saveAll(); });
    on(CloseFile, [&s] { s.closeFile(); });
    on(CloseAll, [&s] { s.closeAll(); });
    on(OpenProject, [&s] { s.openProject(); });
    on(SaveProject, [&s] { s.saveProject(); });
    on(Exit, [this] { close(); });

    QMenu* edit = addMenu(nullptr, TextId::MenuEdit, {Undo, Cut, Copy, Paste, SelectAll});
    on(Undo, [this] { editor_->undo(); });
    on(Cut, [this] { editor_->cut(); });
    on(Copy, [this] { editor_->copy(); });
    on(Paste, [this] { editor_->paste(); });
    on(SelectAll, [this] { editor_->selectAll(); });
    addMenu(nullptr, TextId::MenuSearch, {Find, Replace, FindNext});
    for (Command c : {Find, Replace, FindNext})
        on(c, [this, c] { runCommand(c); });

    QMenu* view = addMenu(nullptr, TextId::MenuView,
                          {ViewEdit, ViewSource, ViewHex, ViewWatch, ViewRam, ViewRegister,
                           ViewStack, ViewBreakpoints, ViewAdc, ViewOpAmp, ViewComparator, Message, kSeparator, NextFile, PreviousFile,
                           TileHorizontally, TileVertically});
    connect(view, &QMenu::aboutToShow, this, [&s] { s.refreshViewMenu(); });
    on(ViewEdit, [this] {
        if (!bench_->shell().state().commandLineStart) showAsChild(Slot::Editor, true);
    });
    const std::pair<Command, Slot> viewSlots[] = {
        {ViewSource, Slot::Source}, {ViewHex, Slot::ProgramMemory}, {ViewWatch, Slot::Watch},
        {ViewRam, Slot::Ram},       {ViewRegister, Slot::Register}, {ViewStack, Slot::Stack},
        {Message, Slot::Log}};
    for (const auto& [command, slot] : viewSlots)
        on(command, [this, slot = slot] { showAsChild(slot, true); });
    on(ViewBreakpoints, [this] { showBreakpointList(true); });
    for (Command c : {NextFile, PreviousFile})
        on(c, [this, c] { runCommand(c); });
    on(TileHorizontally, [this] { tile(true); });
    on(TileVertically, [this] { tile(false); });

    QMenu* windows = addMenu(nullptr, TextId::MenuWindows, {ShowWindows, InformationBlock});
    on(ShowWindows, [this] {
        showAsChild(Slot::Editor, true);
        showAsChild(Slot::Log, true);
    });
    // Nothing reads this item: it only keeps its check mark.
    actions_[InformationBlock]->setCheckable(true);
    buildOnTopMenu(windows);

    QMenu* build = addMenu(nullptr, TextId::MenuAssembleRun, {AssembleRun, Assemble, SetMainFile});
    on(AssembleRun, [&s] { s.assembleAndRun(); });
    on(Assemble, [&s] { s.assembleOnly(); });
    on(SetMainFile, [this] {
        std::vector<std::string> paths;
        for (int i = 1; i <= editor_->slotCount(); ++i)
            paths.push_back(editor_->pathOf(i));
        std::string main = bench_->shell().state().mainFile;
        if (chooseMainFile(this, paths, main)) bench_->shell().SetMainFile(main);
    });
    addMenu(build, TextId::MenuSetMode, {Simulation, Emulation});
    actions_[Simulation]->setCheckable(true);
    actions_[Emulation]->setCheckable(true);
    on(Simulation, [&s] { s.targetCommand(true); });
    on(Emulation, [&s] { s.targetCommand(false); });
    buildDebugMenu(build);

    QMenu* opts = addMenu(nullptr, TextId::MenuOptions,
                          {BuildOptions, SaveConfiguration, LoadConfiguration});
    on(BuildOptions, [this] { runOptions(); });
    on(SaveConfiguration, [&s] { s.saveConfigurationCommand(); });
    on(LoadConfiguration, [&s] { s.loadConfigurationCommand(); });

    addMenu(nullptr, TextId::MenuHelp, {RevisionHistory});
    on(RevisionHistory, [this] { showRevisionHistory(); });

    QMenu* programmer = addMenu(nullptr, TextId::MenuRomWriter, {});
    actions_[ProgrammerMenu] = programmer->menuAction();
    actions_[FileMenu] = file->menuAction();
    actions_[EditMenu] = edit->menuAction();
    actions_[OptionsMenu] = opts->menuAction();
}

void MainWindow::buildOnTopMenu(QMenu* parent) {
    // The menu keeps its designed caption: the text table has no entry for it.
    onTopMenu_ = parent->addMenu(QStringLiteral("最上層顯示(&T)"));
    onTopMenu_->setAccessibleName(QStringLiteral("Always on top"));
    captions_.item(onTopMenu_->menuAction(), TextId::None, QStringLiteral("最上層顯示(&T)"));
    // Window 0 is the main window; the others are the slots that carry a number.
    for (int i = 0; i < kOnTopWindows; ++i) {
        const std::optional<Slot> slot = slotOfOnTopWindow(i);
        const TextId caption = slot ? slotInfo(*slot).onTopCaption : TextId::None;
        QAction* a = onTopMenu_->addAction(slot ? captionOf(caption) : QStringLiteral("Main Window"));
        captions_.item(a, caption, slot ? QString() : QStringLiteral("Main Window"));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i](bool on) { setOnTop(i, on); });
        onTop_[size_t(i)] = a;
    }
    onTopMenu_->addSeparator();
    captions_.item(
        onTopMenu_->addAction(QStringLiteral("全部清除"), this, [this] { clearOnTop(); }),
        TextId::None, QStringLiteral("全部清除"));
}

QWidget* MainWindow::onTopWindow(int window) const {
    const std::optional<Slot> slot = slotOfOnTopWindow(window);
    if (!slot) return const_cast<MainWindow*>(this);
    return slots_[size_t(*slot)].sub;
}

void MainWindow::setOnTop(int window, bool on) {
    bench_->shell().state().onTopFlags[size_t(window)] = on;
    onTop_[size_t(window)]->setChecked(on);
    QWidget* w = onTopWindow(window);
    if (bool(w->windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
    // Changing a window's flags hides it; a showing window shows again.
    const bool showing = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (showing) w->show();
}

void MainWindow::clearOnTop() {
    for (int i = 0; i < kOnTopWindows; ++i)
        setOnTop(i, false);
}

void MainWindow::syncOnTop() {
    for (int i = 0; i < kOnTopWindows; ++i)
        if (onTop_[size_t(i)]->isChecked() != bench_->shell().state().onTopFlags[size_t(i)])
            setOnTop(i, bench_->shell().state().onTopFlags[size_t(i)]);
}

} // namespace zerka::gui
