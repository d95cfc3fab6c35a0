// The main window's menu bar: the File, Edit, Search, View, Windows, Assemble&&Run, Options,
// Help and Programmer menus with their items, and the always-on-top menu.
#include "gui/main/main_window.h"

#include "gui/editor/editor_window.h"
#include "uitext/text_table.h"

#include <QMenuBar>

namespace zerka::gui {

QAction* MainWindow::makeAction(Command c, int entry, const QKeySequence& key) {
    auto* a = new QAction(captionOf(entry), this);
    a->setShortcut(key);
    a->setObjectName(withoutMnemonic(captionOf(entry)));
    actions_[c] = a;
    captions_.item(a, entry);
    return a;
}

QMenu* MainWindow::addMenu(QMenu* parent, int entry) {
    QMenu* m = parent ? parent->addMenu(captionOf(entry)) : menuBar()->addMenu(captionOf(entry));
    captions_.menu(m, entry);
    return m;
}

template <typename Slot_>
QAction* MainWindow::addItem(QMenu* menu, int entry, const QKeySequence& key, Slot_ slot) {
    QAction* a = menu->addAction(captionOf(entry), key, this, slot);
    captions_.item(a, entry);
    return a;
}

void MainWindow::buildMenus() {
    Shell& s = bench_->shell();
    const QKeySequence none;
    QMenu* file = addMenu(nullptr, 73);
    file->addAction(makeAction(Command::New, 74, QKeySequence(Qt::CTRL | Qt::Key_N)));
    connect(actions_[Command::New], &QAction::triggered, this, [&s] { s.newFile(); });
    file->addAction(makeAction(Command::Open, 75, QKeySequence(Qt::CTRL | Qt::Key_O)));
    connect(actions_[Command::Open], &QAction::triggered, this, [this] { openSourceFile(); });
    file->addAction(makeAction(Command::Save, 76, QKeySequence(Qt::CTRL | Qt::Key_S)));
    connect(actions_[Command::Save], &QAction::triggered, this, [&s] { s.save(false); });
    file->addAction(makeAction(Command::SaveAs, 77));
    connect(actions_[Command::SaveAs], &QAction::triggered, this, [&s] { s.save(true); });
    file->addAction(makeAction(Command::SaveAll, 78));
    connect(actions_[Command::SaveAll], &QAction::triggered, this, [&s] { s.saveAll(); });
    file->addAction(makeAction(Command::CloseFile, 79));
    connect(actions_[Command::CloseFile], &QAction::triggered, this, [&s] { s.closeFile(); });
    file->addAction(makeAction(Command::CloseAll, 80));
    connect(actions_[Command::CloseAll], &QAction::triggered, this, [&s] { s.closeAll(); });
    file->addSeparator();
    file->addAction(makeAction(Command::OpenProject, 114));
    connect(actions_[Command::OpenProject], &QAction::triggered, this, [&s] { s.openProject(); });
    file->addAction(makeAction(Command::SaveProject, 115));
    connect(actions_[Command::SaveProject], &QAction::triggered, this, [&s] { s.saveProject(); });
    file->addSeparator();
    file->addAction(makeAction(Command::Exit, 83, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    connect(actions_[Command::Exit], &QAction::triggered, this, [this] { close(); });

    QMenu* edit = addMenu(nullptr, 87);
    addItem(edit, 88, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { editor_->undo(); });
    addItem(edit, 89, QKeySequence(Qt::CTRL | Qt::Key_X), [this] { editor_->cut(); });
    addItem(edit, 90, QKeySequence(Qt::CTRL | Qt::Key_C), [this] { editor_->copy(); });
    addItem(edit, 91, QKeySequence(Qt::CTRL | Qt::Key_V), [this] { editor_->paste(); });
    addItem(edit, 92, none, [this] { editor_->selectAll(); });
    QMenu* search = addMenu(nullptr, 94);
    addItem(search, 95, QKeySequence(Qt::CTRL | Qt::Key_F),
            [this] { runRouted(WindowCommand::Find); });
    addItem(search, 96, QKeySequence(Qt::CTRL | Qt::Key_R),
            [this] { runRouted(WindowCommand::Replace); });
    addItem(search, 97, QKeySequence(Qt::Key_F3), [this] { runRouted(WindowCommand::FindNext); });

    QMenu* view = addMenu(nullptr, 98);
    connect(view, &QMenu::aboutToShow, this, [&s] { s.refreshViewMenu(); });
    view->addAction(makeAction(Command::ViewEdit, 99, QKeySequence(Qt::ALT | Qt::Key_1)));
    connect(actions_[Command::ViewEdit], &QAction::triggered, this, [this] {
        if (!bench_->shell().state().commandLineStart) showAsChild(Slot::Editor, true);
    });
    view->addAction(makeAction(Command::ViewSource, 100, QKeySequence(Qt::ALT | Qt::Key_2)));
    view->addAction(makeAction(Command::ViewHex, 101, QKeySequence(Qt::ALT | Qt::Key_3)));
    view->addAction(makeAction(Command::ViewWatch, 102, QKeySequence(Qt::ALT | Qt::Key_4)));
    view->addAction(makeAction(Command::ViewRam, 103, QKeySequence(Qt::ALT | Qt::Key_5)));
    view->addAction(makeAction(Command::ViewRegister, 104, QKeySequence(Qt::ALT | Qt::Key_6)));
    view->addAction(makeAction(Command::ViewStack, 105, QKeySequence(Qt::ALT | Qt::Key_7)));
    view->addAction(makeAction(Command::ViewBreakpoints, 106, QKeySequence(Qt::ALT | Qt::Key_8)));
    const std::pair<Command, Slot> viewSlots[] = {
        {Command::ViewSource, Slot::Source},     {Command::ViewHex, Slot::ProgramMemory},
        {Command::ViewWatch, Slot::Watch},       {Command::ViewRam, Slot::Ram},
        {Command::ViewRegister, Slot::Register}, {Command::ViewStack, Slot::Stack}};
    for (const auto& [command, slot] : viewSlots)
        connect(actions_[command], &QAction::triggered, this,
                [this, slot = slot] { showAsChild(slot, true); });
    connect(actions_[Command::ViewBreakpoints], &QAction::triggered, this,
            [this] { showBreakpointList(true); });
    view->addAction(makeAction(Command::Message, 107));
    connect(actions_[Command::Message], &QAction::triggered, this,
            [this] { showAsChild(Slot::Log, true); });
    view->addSeparator();
    addItem(view, 111, QKeySequence(Qt::ALT | Qt::Key_Right),
            [this] { runRouted(WindowCommand::NextFile); });
    addItem(view, 112, QKeySequence(Qt::ALT | Qt::Key_Left),
            [this] { runRouted(WindowCommand::PreviousFile); });
    addItem(view, 109, QKeySequence(Qt::ALT | Qt::Key_Down), [this] { tile(true); });
    addItem(view, 110, QKeySequence(Qt::ALT | Qt::Key_Up), [this] { tile(false); });

    QMenu* windows = addMenu(nullptr, 113);
    // Items the text table has no entry for keep their own captions.
    captions_.item(windows->addAction(QStringLiteral("ShowWindows"), this,
                                      [this] {
                                          showAsChild(Slot::Editor, true);
                                          showAsChild(Slot::Log, true);
                                      }),
                   -1, QStringLiteral("ShowWindows"));
    // Nothing reads this item: it only keeps its check mark.
    QAction* info = windows->addAction(QStringLiteral("Information Block"));
    info->setObjectName(info->text());
    info->setCheckable(true);
    captions_.item(info, -1, info->text());
    buildOnTopMenu(windows);

    QMenu* build = addMenu(nullptr, 118);
    build->addAction(makeAction(Command::AssembleRun, 119, QKeySequence(Qt::Key_F4)));
    connect(actions_[Command::AssembleRun], &QAction::triggered, this,
            [&s] { s.assembleAndRun(); });
    build->addAction(makeAction(Command::Assemble, 120, QKeySequence(Qt::CTRL | Qt::Key_F10)));
    connect(actions_[Command::Assemble], &QAction::triggered, this, [&s] { s.assembleOnly(); });
    addItem(build, 121, none, [this] {
        std::vector<std::string> paths;
        for (int i = 1; i <= editor_->slotCount(); ++i)
            paths.push_back(editor_->pathOf(i));
        std::string main = bench_->shell().state().mainFile;
        if (chooseMainFile(this, paths, main)) bench_->shell().SetMainFile(main);
    });
    QMenu* mode = addMenu(build, 122);
    mode->addAction(makeAction(Command::Simulation, 123));
    mode->addAction(makeAction(Command::Emulation, 124));
    actions_[Command::Simulation]->setCheckable(true);
    actions_[Command::Emulation]->setCheckable(true);
    connect(actions_[Command::Simulation], &QAction::triggered, this,
            [&s] { s.targetCommand(true); });
    connect(actions_[Command::Emulation], &QAction::triggered, this,
            [&s] { s.targetCommand(false); });
    buildDebugMenu(build);

    QMenu* opts = addMenu(nullptr, 135);
    addItem(opts, 136, none, [this] { runOptions(); });
    opts->addAction(makeAction(Command::SaveConfiguration, 137));
    connect(actions_[Command::SaveConfiguration], &QAction::triggered, this,
            [&s] { s.saveConfigurationCommand(); });
    opts->addAction(makeAction(Command::LoadConfiguration, 138));
    connect(actions_[Command::LoadConfiguration], &QAction::triggered, this,
            [&s] { s.loadConfigurationCommand(); });

    QMenu* help = addMenu(nullptr, 219);
    addItem(help, 222, QKeySequence(Qt::ALT | Qt::Key_A), [this] { showRevisionHistory(); });

    QMenu* programmer = menuBar()->addMenu(captionOf(235));
    captions_.menu(programmer, 235);
    actions_[Command::ProgrammerMenu] = programmer->menuAction();
    actions_[Command::FileMenu] = file->menuAction();
    actions_[Command::EditMenu] = edit->menuAction();
    actions_[Command::OptionsMenu] = opts->menuAction();
}

void MainWindow::buildOnTopMenu(QMenu* parent) {
    // The menu keeps its designed caption: the text table has no entry for it.
    onTopMenu_ = parent->addMenu(QStringLiteral("最上層顯示(&T)"));
    onTopMenu_->setAccessibleName(QStringLiteral("Always on top"));
    captions_.item(onTopMenu_->menuAction(), -1, QStringLiteral("最上層顯示(&T)"));
    // Window numbers 0..10: main window, editor, source view, program memory, watch, RAM,
    // registers, stack, breakpoint list, message log, ADC panel.
    static const int entries[kOnTopWindows] = {-1,  167, 230, 231, 102, 232,
                                               227, 233, 106, 234, 108};
    for (int i = 0; i < kOnTopWindows; ++i) {
        QAction* a = onTopMenu_->addAction(entries[i] < 0 ? QStringLiteral("Main Window")
                                                          : captionOf(entries[i]));
        if (entries[i] >= 0)
            captions_.item(a, entries[i]);
        else
            captions_.item(a, -1, QStringLiteral("Main Window"));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i](bool on) { setOnTop(i, on); });
        onTop_[size_t(i)] = a;
    }
    onTopMenu_->addSeparator();
    captions_.item(
        onTopMenu_->addAction(QStringLiteral("全部清除"), this, [this] { clearOnTop(); }), -1,
        QStringLiteral("全部清除"));
}

QWidget* MainWindow::onTopWindow(int window) const {
    static const int slotOf[kOnTopWindows] = {-1,
                                              int(Slot::Editor),
                                              int(Slot::Source),
                                              int(Slot::ProgramMemory),
                                              int(Slot::Watch),
                                              int(Slot::Ram),
                                              int(Slot::Register),
                                              int(Slot::Stack),
                                              int(Slot::Breakpoints),
                                              int(Slot::Log),
                                              int(Slot::Adc)};
    if (slotOf[window] == -1) return const_cast<MainWindow*>(this);
    return subs_[size_t(slotOf[window])];
}

void MainWindow::setOnTop(int window, bool on) {
    bench_->shell().state().onTopFlags[size_t(window)] = on;
    onTop_[size_t(window)]->setChecked(on);
    QWidget* w = onTopWindow(window);
    if (!w || bool(w->windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
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
