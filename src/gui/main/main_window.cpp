#include "gui/main/main_window.h"
#include "gui/main/programmer_mode.h"

#include "gui/main/debug_window_set.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/analog_views.h"
#include "gui/main/message_log_window.h"
#include "gui/main/sram_record_menu.h"
#include "link/ppdev_port.h"
#include "shell/shell_options_host.h"
#include "uitext/text_table.h"
#include "views/ice_view_hooks.h"
#ifdef ZERKA_HAS_OPTIONS_DIALOG
#include "gui/options/options_dialog.h"
#endif

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>

namespace zerka::gui {

namespace fs = std::filesystem;

namespace {

// "*.cfg|*.cfg|*.*|*.*" as Qt name filters.
QString qtFilter(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    if (parts.size() == 1) out << parts[0];
    return out.join(QStringLiteral(";;"));
}

const char* slotName(Slot slot) {
    static const char* names[kSlotCount] = {"TZk_EDIT",  "TZk_HEX", "TZk_SOURCE", "TZk_RAM",
                                            "TZk_STACK", "TZk_REG", "TZk_WATCH",  "TZk_ERR",
                                            "TZk_ADC",   "TZk_OP",  "TZk_CMP",    "TZk_BREAK"};
    return names[int(slot)];
}

// What the options model needs of the shell, and the main window's connection panel.
class MainOptionsHost : public ShellOptionsHost {
  public:
    MainOptionsHost(Shell& shell, QLabel& connection)
        : ShellOptionsHost(shell), connection_(connection) {}
    void enableConnectionPanel() override { connection_.setEnabled(true); }

  private:
    QLabel& connection_;
};

} // namespace

MainWindow::MainWindow(const std::string& programDir, std::vector<std::string> args,
                       QWidget* parent)
    : QMainWindow(parent), programDir_(programDir), args_(std::move(args)),
      library_(fs::path(programDir) / "INCLUDE"), options_(library_, chip_), up_(&ui_),
      views_(up_, chip_) {
    setObjectName(QStringLiteral("TZKMAIN"));
    QCoreApplication::setApplicationName(QStringLiteral("Zerka-IDE"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setAccessibleName(QStringLiteral("Windows"));
    setCentralWidget(mdi_);

    editor_ = new EditorWindow;
    editor_->setObjectName(QStringLiteral("TZk_EDIT"));
    logWindow_ = new MessageLogWindow(log_);
    revisionText_ = new QPlainTextEdit(this);
    revisionText_->setWindowFlag(Qt::Window);
    revisionText_->setObjectName(QStringLiteral("TRevision"));
    revisionText_->setReadOnly(true);
    revisionText_->setWindowTitle(QStringLiteral("Revision History"));
    revisionText_->setAccessibleName(QStringLiteral("Revision History"));
    revisionText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    revisionText_->resize(560, 420);

    // The editor's pane holds the edit toolbar above the tabs while the editor is active.
    editorPane_ = new QWidget;
    editorPane_->setObjectName(QStringLiteral("EditorPane"));
    editorPaneLayout_ = new QVBoxLayout(editorPane_);
    editorPaneLayout_->setContentsMargins(0, 0, 0, 0);
    editorPaneLayout_->setSpacing(0);
    editorPaneLayout_->addWidget(editor_);
    subs_[size_t(Slot::Editor)] = mdi_->addSubWindow(editorPane_);
    subs_[size_t(Slot::Log)] = mdi_->addSubWindow(logWindow_);
    for (QMdiSubWindow* s : subs_)
        if (s) {
            s->setAttribute(Qt::WA_DeleteOnClose, false);
            s->hide();
        }

    ice_ = std::make_unique<IceSession>(up_, chip_, options_, ui_, realUsbBackends(),
                                        std::make_unique<PpdevPortProvider>(),
                                        clockWait([] { QCoreApplication::processEvents(); }));
    ShellParts parts{
        library_, chip_, options_, up_,        *editor_,
        log_,     ui_,   *this,    ice_.get(), [] { QCoreApplication::processEvents(); }};
    shell_ = std::make_unique<Shell>(parts, programDir_);
    shell_->setWatchList(&views_.watch);
    // A simulator run lets the window work between its time slices.
    up_.setYieldHook([] { QCoreApplication::processEvents(); });
    views_.context.emulator = makeIceViewHooks(ice_->commands());
    debug_ = std::make_unique<DebugCommands>(*shell_, views_, *this);

    buildMenus();
    buildToolbars();
    buildStatusLine();
    analogViews_ = new AnalogViews(*this);
    buildDebugTimers();
    debugSet_ = std::make_unique<DebugWindowSet>(*this);
    ui_.setWidgets(this, status_, busy_);
    programmerMode_ = std::make_unique<ProgrammerMode>(*this);
    optionsHost_ = std::make_unique<MainOptionsHost>(*shell_, *connection_);
    options_.setHost(optionsHost_.get());
    // Engineer mode names itself in the caption at once.
    engineerConnection_ = options_.engineerModeEntered.connect(
        [this] { setTitle(options_.engineerCaption(TextOf(2), shell_->state().projectFile)); });
    editor_->setListener(this);
    routeEditorCommands();
    connect(editor_, &EditorWindow::stateChanged, this, [this] {
        shell_->refreshViewMenu();
        // A click or an edit in the editor releases a bookmark button that is down.
        if (markButton_->isChecked() || gotoButton_->isChecked()) releaseBookmarkButtons();
    });
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::childActivated);
    connect(logWindow_, &MessageLogWindow::gotoEntry, this, [this](int index) {
        showAsChild(Slot::Editor, true);
        if (GotoLogEntry(log_, size_t(index), *editor_)) logWindow_->list()->setFocus();
    });
    log_.shown.connect([this] { showAsChild(Slot::Log, true); });

    // First run: 80 % of the screen, centred; the layout file overrides it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const Rect r = firstRunMainWindow(screen.width(), screen.height());
    setGeometry(screen.left() + r.left, screen.top() + r.top, r.width, r.height);
    setMinimumSize(240, 300);
    shell_->create();
    sramMenu_ = std::make_unique<SramRecordMenu>(*this);
    setSramAddHook([this](bool on) { sramMenu_->setAddEnabled(on); });
}

MainWindow::~MainWindow() {
    // Closing the sub-windows while the members go away must not reach the tracker.
    disconnect(mdi_, nullptr, this, nullptr);
    for (QTimer* t : {runTimer_, continueTimer_, watchdogTimer_})
        t->stop();
    up_.setYieldHook({});
    editor_->setListener(nullptr);
    options_.setHost(nullptr);
    options_.engineerModeEntered.disconnect(engineerConnection_);
    // The child windows hold references to the members (uP centre, models, shell): they go
    // first, before the members they use.
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        delete sub;
    for (QMdiSubWindow*& sub : subs_)
        sub = nullptr;
    debugSet_.reset();
}

std::string MainWindow::layoutPath() const {
    return programDir_ + "zerka-ide.wst";
}

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
    Shell& s = *shell_;
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
        if (!shell_->state().commandLineStart) showAsChild(Slot::Editor, true);
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
        std::string main = shell_->state().mainFile;
        if (chooseMainFile(this, paths, main)) shell_->SetMainFile(main);
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
    shell_->state().onTopFlags[size_t(window)] = on;
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
        if (onTop_[size_t(i)]->isChecked() != shell_->state().onTopFlags[size_t(i)])
            setOnTop(i, shell_->state().onTopFlags[size_t(i)]);
}

QAction* MainWindow::addButton(QToolBar* bar, int captionEntry, int hintEntry,
                               const std::function<void()>& slot) {
    QAction* a = bar->addAction(captionOf(captionEntry));
    a->setToolTip(captionOf(hintEntry));
    a->setObjectName(captionOf(hintEntry));
    connect(a, &QAction::triggered, this, slot);
    if (QWidget* w = bar->widgetForAction(a)) w->setAccessibleName(captionOf(hintEntry));
    captions_.button(a, captionEntry, hintEntry);
    return a;
}

void MainWindow::buildToolbars() {
    editBar_ = new QToolBar(captionOf(167), this);
    editBar_->setObjectName(QStringLiteral("EditToolBar"));
    addToolBar(editBar_);
    openButton_ = addButton(editBar_, 173, 174, [this] { openSourceFile(); });
    pageButton_ = addButton(editBar_, 183, 184, [this] { showPageMenu(); });
    addButton(editBar_, 179, 180, [this] { runRouted(WindowCommand::QuickFind); });
    addButton(editBar_, 181, 182, [this] { runRouted(WindowCommand::FindNext); });
    markButton_ = addButton(editBar_, 175, 176, [this] { bookmarkButtonToggled(); });
    gotoButton_ = addButton(editBar_, 177, 178, [this] { bookmarkButtonToggled(); });
    for (QAction* a : {markButton_, gotoButton_})
        a->setCheckable(true);
    connect(markButton_, &QAction::triggered, this, [this](bool on) {
        if (on) gotoButton_->setChecked(false);
    });
    connect(gotoButton_, &QAction::triggered, this, [this](bool on) {
        if (on) markButton_->setChecked(false);
    });
    // The number bar: "1" ... "9", "0", shown beside the two bookmark buttons while one is down.
    digitBar_ = new QWidget(editBar_);
    digitBar_->setObjectName(QStringLiteral("NumberBar"));
    digitBar_->setAccessibleName(QStringLiteral("Bookmark number"));
    auto* digits = new QHBoxLayout(digitBar_);
    digits->setContentsMargins(0, 0, 0, 0);
    digits->setSpacing(0);
    for (int i = 0; i < 10; ++i) {
        const int n = (i + 1) % 10;
        auto* b = new QToolButton(digitBar_);
        b->setText(QString::number(n));
        b->setAccessibleName(QStringLiteral("Bookmark ") + QString::number(n));
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, n] { digitPressed(n); });
        digits->addWidget(b);
        digits_[size_t(n)] = b;
    }
    digitBarAction_ = editBar_->addWidget(digitBar_);
    digitBarAction_->setVisible(false);
    addButton(editBar_, 120, 120, [this] { shell_->assembleOnly(); });

    runBar_ = new QToolBar(QStringLiteral("Debug"), this);
    runBar_->setObjectName(QStringLiteral("RunToolBar"));
    addToolBar(runBar_);
    actions_[Command::EditDebugButton] =
        addButton(runBar_, 197, 198, [this] { debug_->toggleEditDebug(); });
    addButton(runBar_, 201, 202, [this] { close(); });
    runBar_->addSeparator();
    // The view buttons: the active child's button shows pressed.
    const std::tuple<Slot, Command, int> views[] = {
        {Slot::Editor, Command::ViewEdit, 185},       {Slot::Source, Command::ViewSource, 187},
        {Slot::ProgramMemory, Command::ViewHex, 189}, {Slot::Ram, Command::ViewRam, 191},
        {Slot::Register, Command::ViewRegister, 193}, {Slot::Watch, Command::ViewWatch, 195}};
    for (const auto& [slot, command, entry] : views) {
        viewCommands_[slot] = command;
        QAction* a = addButton(runBar_, entry, entry + 1, [this, command = command] {
            actions_[command]->trigger();
            refreshViewButtons();
        });
        a->setCheckable(true);
        viewButtons_[slot] = a;
    }

    buildRunButtons();

    programmerBar_ = new QToolBar(captionOf(235), this);
    programmerBar_->setObjectName(QStringLiteral("ProgrammerToolBar"));
    addToolBar(programmerBar_);
    const std::pair<Command, const char*> prog[] = {{Command::ProgBlank, "Blank Check"},
                                                    {Command::ProgProgram, "Program Chip"},
                                                    {Command::ProgVerify, "Verify Chip"},
                                                    {Command::ProgRead, "Read Chip"},
                                                    {Command::ProgAuto, "Auto"}};
    for (const auto& [c, text] : prog) {
        QAction* a = programmerBar_->addAction(QString::fromLatin1(text));
        a->setToolTip(a->text());
        if (QWidget* w = programmerBar_->widgetForAction(a)) w->setAccessibleName(a->text());
        connect(a, &QAction::triggered, this, [this, c = c] { programmerMode_->run(c); });
        actions_[c] = a;
    }
    actions_[Command::RunToolbar] = runBar_->toggleViewAction();
    actions_[Command::EditToolbar] = editBar_->toggleViewAction();
    actions_[Command::ProgrammerToolbar] = programmerBar_->toggleViewAction();
}

// --- bookmark, page and view buttons ----------------------------------------------------------

void MainWindow::bookmarkButtonToggled() {
    const bool down = markButton_->isChecked() || gotoButton_->isChecked();
    digitBarAction_->setVisible(down);
    refreshBookmarkButtons();
}

void MainWindow::refreshBookmarkButtons() {
    const bool marking = markButton_->isChecked();
    for (int n = 0; n < 10; ++n) {
        QToolButton* b = digits_[size_t(n)];
        const bool set = router_.run(WindowCommand::HasBookmark, {n});
        // Set: red digits mark set bookmarks; go to: blue digits, only the set ones enabled.
        b->setEnabled(marking || set);
        b->setStyleSheet(marking ? (set ? QStringLiteral("color: red; font-weight: bold")
                                        : QStringLiteral("color: black"))
                                 : QStringLiteral("color: blue"));
    }
}

void MainWindow::digitPressed(int n) {
    if (markButton_->isChecked())
        runRouted(WindowCommand::SetBookmark, {n});
    else if (gotoButton_->isChecked())
        runRouted(WindowCommand::GotoBookmark, {n});
    releaseBookmarkButtons();
}

void MainWindow::releaseBookmarkButtons() {
    markButton_->setChecked(false);
    gotoButton_->setChecked(false);
    digitBarAction_->setVisible(false);
}

void MainWindow::showPageMenu() {
    QWidget* w = editBar_->widgetForAction(pageButton_);
    const QPoint at = w ? w->mapToGlobal(QPoint(0, w->height())) : QCursor::pos();
    runRouted(WindowCommand::PageMenu, {0, at.x(), at.y()});
}

QMdiSubWindow* MainWindow::activeChild() const {
    return currentChild_ ? currentChild_ : previousChild_;
}

void MainWindow::childActivated(QMdiSubWindow* sub) {
    // Deactivating the main window clears both.
    // The main window losing the focus leaves no active child: the last one stays the window
    // that commands act on, and the toolbars stay where they are.
    if (sub != currentChild_) {
        previousChild_ = currentChild_;
        currentChild_ = sub;
    }
    for (int i = 0; i < kSlotCount; ++i)
        if (sub && subs_[size_t(i)] == sub) router_.activated(Slot(i));
    refreshViewButtons();
    dockEditBar();
    refreshBookmarkButtons();
}

void MainWindow::refreshViewButtons() {
    for (auto& [slot, a] : viewButtons_)
        a->setChecked(currentChild_ && !currentChild_->isHidden() &&
                      subs_[size_t(slot)] == currentChild_);
}

void MainWindow::dockEditBar() {
    // The edit toolbar lives in the editor once the editor has been the active child (and the
    // option wants it). Another child becoming active leaves it there rather than making the
    // text jump; the option switched off sends it back to the main window, hidden.
    QMdiSubWindow* editorSub = subs_[size_t(Slot::Editor)];
    const bool wanted = options_.editToolbarVisible();
    const bool inEditor = editBar_->parentWidget() == editorPane_;
    // The source view has no pane of its own: while its buttons act on the source view and the
    // editor is not showing (debug mode), the toolbar sits in the main window's toolbar area.
    const bool forSource = wanted && !isShowing(Slot::Editor) &&
                           router_.target(WindowCommand::PageMenu) == Slot::Source;
    if (wanted && !inEditor && activeChild() == editorSub) {
        removeToolBar(editBar_);
        editorPaneLayout_->insertWidget(0, editBar_);
        editBar_->show();
    } else if ((!wanted || forSource) && inEditor) {
        editorPaneLayout_->removeWidget(editBar_);
        addToolBar(Qt::TopToolBarArea, editBar_);
        editBar_->setVisible(forSource);
    } else if (forSource) {
        editBar_->show();
    } else if (!wanted || !inEditor) {
        editBar_->hide();
    }
    openButton_->setEnabled(activeChild() == editorSub);
}

void MainWindow::updateModeButton() {
    // The mode button reads "Go" in edit mode and "edit" while debugging.
    const bool debugging = shell_->state().debugMode == 1;
    QAction* a = actions_[Command::EditDebugButton];
    a->setText(captionOf(debugging ? 199 : 197));
    a->setToolTip(captionOf(debugging ? 200 : 198));
}

void MainWindow::buildStatusLine() {
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusMain"));
    status_->setAccessibleName(QStringLiteral("Status"));
    connection_ = new QLabel(QStringLiteral("Simulator"), this);
    connection_->setObjectName(QStringLiteral("ConnectionPanel"));
    connection_->setAccessibleName(QStringLiteral("Connection"));
    connection_->setFrameShape(QFrame::Panel);
    connection_->setMinimumWidth(110);
    connection_->setAlignment(Qt::AlignCenter);
    connection_->installEventFilter(this);
    checksum_ = new QLabel(this);
    checksum_->setObjectName(QStringLiteral("ChecksumPanel"));
    checksum_->setAccessibleName(QStringLiteral("File CheckSum"));
    checksum_->setMinimumWidth(130);
    wait_ = new QWidget(this);
    wait_->setAccessibleName(QStringLiteral("Please wait..."));
    auto* waitLayout = new QHBoxLayout(wait_);
    waitLayout->setContentsMargins(0, 0, 0, 0);
    waitLayout->setSpacing(1);
    for (QLabel*& cell : waitCells_) {
        cell = new QLabel(wait_);
        cell->setFixedSize(5, 12);
        cell->setAutoFillBackground(true);
        cell->setStyleSheet(QStringLiteral("background: #2a6fdb"));
        waitLayout->addWidget(cell);
    }
    wait_->hide();
    busy_ = new QWidget(this);
    busy_->setObjectName(QStringLiteral("BusyIndicator"));
    busy_->setAccessibleName(QStringLiteral("Busy"));
    busy_->setFixedSize(10, 14);
    busy_->setStyleSheet(QStringLiteral("background: palette(mid)"));
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(wait_);
    statusBar()->addPermanentWidget(checksum_);
    statusBar()->addPermanentWidget(connection_);
    statusBar()->addPermanentWidget(busy_);
}

// --- ShellWindows --------------------------------------------------------------------------

SaveAnswer MainWindow::askSaveChanges(const std::string& text, bool withAll) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Zerka-IDE"),
                    QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel |
                        (withAll ? QMessageBox::YesToAll : QMessageBox::NoButton),
                    this);
    if (withAll) box.button(QMessageBox::YesToAll)->setText(QStringLiteral("All"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return SaveAnswer::Yes;
    case QMessageBox::No:
        return SaveAnswer::No;
    case QMessageBox::YesToAll:
        return SaveAnswer::All;
    default:
        return SaveAnswer::Cancel;
    }
}

bool MainWindow::askYesCancel(const std::string& text) {
    return QMessageBox::information(this, QStringLiteral("Zerka-IDE"), QString::fromStdString(text),
                                    QMessageBox::Yes | QMessageBox::Cancel) == QMessageBox::Yes;
}

void MainWindow::showAsChild(Slot slot, bool show) {
    QMdiSubWindow* s = subs_[size_t(slot)];
    if (!s) return;
    const bool calculator = AnalogViews::handles(slot) && analogViews_;
    if (show) {
        if (calculator) analogViews_->aboutToShow(slot);
        if (!placed_[size_t(slot)]) {
            s->setGeometry(defaultPlace(slot));
            placed_[size_t(slot)] = true;
        }
        const bool first = !shown_[size_t(slot)];
        shown_[size_t(slot)] = true;
        s->show();
        s->widget()->show();
        // The state the layout file gave the window applies when it first shows.
        if (first && layoutState_[size_t(slot)] == WindowState::Maximized) s->showMaximized();
        if (first && layoutState_[size_t(slot)] == WindowState::Minimized) s->showMinimized();
        mdi_->setActiveSubWindow(s);
        if (DebugWindow* w = debugWindow(slot); w && shell_->state().debugMode == 1)
            w->refreshView();
        if (calculator) analogViews_->refreshShowing();
    } else {
        s->hide();
    }
    refreshViewButtons();
}

void MainWindow::showBreakpointList(bool show) {
    showAsChild(Slot::Breakpoints, show);
}

QRect MainWindow::defaultPlace(Slot slot) const {
    // The editor takes the upper two thirds of the area, the message log the rest below it;
    // the other windows start on the right half.
    const QRect area = mdi_->viewport()->rect();
    const int w = std::max(area.width(), 400), h = std::max(area.height(), 300);
    switch (slot) {
    // The calculators and the breakpoint list keep their own size, at the top right.
    case Slot::Adc:
    case Slot::OpAmp:
    case Slot::Comparator:
    case Slot::Breakpoints: {
        const QSize size = subs_[size_t(slot)]->size().boundedTo(QSize(w, h));
        return QRect(QPoint(w - size.width(), 0), size);
    }
    case Slot::Editor:
        return QRect(0, 0, w, h * 2 / 3);
    case Slot::Log:
        return QRect(0, h * 2 / 3, w, h - h * 2 / 3);
    // Debugging: the source on the left above the RAM, program memory and registers on the
    // right above the stack and the watch list, so that a first session shows them side by side.
    case Slot::Source:
        return QRect(0, 0, w / 2, h * 2 / 3);
    case Slot::Ram:
        return QRect(0, h * 2 / 3, w / 2, h - h * 2 / 3);
    case Slot::ProgramMemory:
        return QRect(w / 2, 0, w - w / 2, h / 3);
    case Slot::Register:
        return QRect(w / 2, h / 3, w - w / 2, h * 2 / 3 - h / 3);
    case Slot::Stack:
        return QRect(w / 2, h * 2 / 3, w / 4, h - h * 2 / 3);
    case Slot::Watch:
        return QRect(w / 2 + w / 4, h * 2 / 3, w - w / 2 - w / 4, h - h * 2 / 3);
    default:
        return QRect(w / 2, 0, w / 2, h / 2);
    }
}

bool MainWindow::isShowing(Slot slot) const {
    QMdiSubWindow* s = subs_[size_t(slot)];
    return s && s->isVisible();
}

std::optional<std::string> MainWindow::openFileDialog(const FileDialogRequest& r) {
    const QString f = QFileDialog::getOpenFileName(
        this, QString(), QString::fromStdString(r.initialDir), qtFilter(r.filter));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> MainWindow::saveFileDialog(const FileDialogRequest& r) {
    QFileDialog d(this, QString(), QString::fromStdString(r.initialDir), qtFilter(r.filter));
    d.setAcceptMode(QFileDialog::AcceptSave);
    if (!r.defaultExt.empty()) d.setDefaultSuffix(QString::fromStdString(r.defaultExt.substr(1)));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().front().toStdString();
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
    setAccessibleName(windowTitle());
}

void MainWindow::setConnectionPanel(ConnectionPanel state) {
    switch (state) {
    case ConnectionPanel::Simulator:
        connection_->setText(QStringLiteral("Simulator"));
        connection_->setEnabled(false);
        connection_->setFrameShadow(QFrame::Sunken);
        // Not clickable, but a status to read: plain text, not the greyed look of a dead control.
        connection_->setStyleSheet(QStringLiteral("QLabel:disabled { color: palette(text); }"));
        break;
    case ConnectionPanel::Connected:
        connection_->setText(QStringLiteral("ICE Connect"));
        connection_->setEnabled(true);
        connection_->setFrameShadow(QFrame::Sunken);
        connection_->setStyleSheet(QString());
        break;
    case ConnectionPanel::NotConnected:
        connection_->setText(QStringLiteral("ICE not Connect"));
        connection_->setEnabled(true);
        connection_->setFrameShadow(QFrame::Raised);
        connection_->setStyleSheet(QStringLiteral("background: red; color: white"));
        break;
    }
}

void MainWindow::setChecksumPanel(const std::string& text) {
    checksum_->setText(QString::fromStdString(text));
}

void MainWindow::commandsChanged() {
    const CommandStates& c = shell_->commands();
    for (auto& [command, action] : actions_) {
        const CommandState& st = c[command];
        action->setEnabled(st.enabled);
        if (action->isCheckable() &&
            (command == Command::Simulation || command == Command::Emulation))
            action->setChecked(st.checked);
    }
    runBar_->setVisible(c[Command::RunToolbar].visible);
    // The run buttons show in debug mode only, enabled as their menu items are.
    const bool debugging = shell_->state().debugMode == 1;
    for (auto& [command, button] : runButtons_) {
        button->setVisible(debugging);
        button->setEnabled(c[command].enabled);
    }
    programmerBar_->setVisible(c[Command::ProgrammerToolbar].visible);
    // A view button works as its menu item does, and only for a window this build has.
    for (auto& [slot, button] : viewButtons_)
        button->setEnabled(subs_[size_t(slot)] && actions_[viewCommands_[slot]]->isEnabled());
    dockEditBar();
    syncOnTop();
    updateModeButton();
    if (sramMenu_) sramMenu_->sync();
    // The calculators' items (and Alt+9) follow debug mode without the menu being opened.
    if (analogViews_) analogViews_->syncViewItems();
}

void MainWindow::waitIndicator(bool visible, int cells) {
    wait_->setVisible(visible);
    for (int i = 0; i < int(waitCells_.size()); ++i)
        waitCells_[size_t(i)]->setVisible(i < cells);
}

void MainWindow::closeMainWindow() {
    // The shell decided to end the program (a failed command-line start): no questions. The
    // window goes at once, so the reasons go to the terminal the program was started from.
    closing_ = true;
    for (const LogEntry& e : log_.entries())
        std::fprintf(stderr, "zerka-ide: %s\n", e.text.c_str());
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void MainWindow::bringToFront() {
    raise();
    activateWindow();
}

void MainWindow::applyCaptions() {
    captions_.apply();
    updateModeButton();
    // The window captions of the child windows that exist.
    const std::pair<Slot, int> titles[] = {
        {Slot::Editor, 167}, {Slot::Register, 227}, {Slot::Source, 230}, {Slot::ProgramMemory, 231},
        {Slot::Ram, 232},    {Slot::Stack, 233},    {Slot::Log, 234},    {Slot::Breakpoints, 106}};
    for (const auto& [slot, entry] : titles)
        if (QMdiSubWindow* sub = subs_[size_t(slot)]) {
            sub->setWindowTitle(captionOf(entry));
            sub->setAccessibleName(captionOf(entry));
        }
    // Every other widget answers to screen readers with its hint, caption or name.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty()) continue;
        if (!w->toolTip().isEmpty())
            w->setAccessibleName(w->toolTip());
        else if (!w->windowTitle().isEmpty())
            w->setAccessibleName(w->windowTitle());
        else if (!w->objectName().isEmpty())
            w->setAccessibleName(w->objectName());
    }
#ifdef ZERKA_HAS_OPTIONS_DIALOG
    if (optionsDialog_) optionsDialog_->applyCaptions();
#endif
}

void MainWindow::applyFont(const EditorFont& font) {
    QFont f(QString::fromStdString(font.name), font.size);
    // "Courier New" stays the stored name; without it the system's fixed font shows.
    if (!QFontDatabase::families().contains(f.family()))
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont), f.setPointSize(font.size);
    f.setBold(font.style & 1);
    f.setItalic(font.style & 2);
    f.setUnderline(font.style & 4);
    f.setStrikeOut(font.style & 8);
    logWindow_->list()->setFont(f);
    revisionText_->setFont(f);
}

// --- EditorListener -------------------------------------------------------------------------

void MainWindow::editorCloseFile(const std::string&) {
    shell_->closeFile();
}
void MainWindow::editorSetMainFile(const std::string& path) {
    shell_->SetMainFile(path);
}
void MainWindow::editorFilesDropped(const std::vector<std::string>& paths) {
    for (const std::string& p : paths)
        editor_->openFile(p);
    shell_->filesOpened();
}
void MainWindow::editorLastSlotClosed() {
    shell_->setFileCommands(false);
}

// --- window management -----------------------------------------------------------------------

void MainWindow::tile(bool twoColumns) {
    std::vector<Slot> showing;
    for (int i = 0; i < kSlotCount; ++i)
        if (isShowing(Slot(i))) showing.push_back(Slot(i));
    const QSize area = mdi_->viewport()->size();
    const auto placed = twoColumns ? tileTwoColumns(showing, area.width(), area.height())
                                   : tileOneColumn(showing, area.width(), area.height());
    // A showing slot has its sub-window (isShowing says so); a minimized or maximized one is
    // brought back to normal first, or it would keep its icon or cover the others.
    for (const TilePlacement& p : placed) {
        QMdiSubWindow* s = subs_[size_t(p.slot)];
        if (s->isMinimized() || s->isMaximized()) s->showNormal();
        s->setGeometry(p.rect.left, p.rect.top, p.rect.width, p.rect.height);
    }
}

void MainWindow::showRevisionHistory() {
    std::string text;
    if (!readFileBytes(programDir_ + "Revision_EN.txt", text)) return;
    revisionText_->setPlainText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    // Wide enough for the file's 80-column lines, and over the main window when it opens.
    QPlainTextEdit& t = *revisionText_;
    const int wide = t.fontMetrics().horizontalAdvance(QString(80, QLatin1Char('0'))) +
                     2 * (t.frameWidth() + int(t.document()->documentMargin())) +
                     t.verticalScrollBar()->sizeHint().width();
    if (revisionText_->width() < wide) revisionText_->resize(wide, revisionText_->height());
    if (!revisionText_->isVisible())
        revisionText_->move(geometry().center() - revisionText_->rect().center());
    revisionText_->show();
    revisionText_->raise();
}

void MainWindow::openSourceFile() {
    auto path =
        openFileDialog({"*.asm|*.asm|*.inc|*.inc|*.*|*.*", ".asm", shell_->state().dialogDir});
    if (!path) return;
    if (!editor_->openFile(*path))
        ui_.messageBox(MessageType::Error, "Can not open file: " + *path, Buttons::Ok);
    shell_->filesOpened();
}

void MainWindow::runOptions() {
#ifdef ZERKA_HAS_OPTIONS_DIALOG
    if (!optionsDialog_) optionsDialog_ = new OptionsDialog(options_, nullptr, this);
    optionsDialog_->setEditorFont(shell_->state().editorFont);
    optionsDialog_->runModal();
    shell_->state().editorFont = optionsDialog_->editorFont();
    editor_->applyFont(shell_->state().editorFont);
    applyFont(shell_->state().editorFont);
    shell_->applyCaptions();
    shell_->ApplyIdeMode();
#else
    ui_.messageBox(MessageType::Information, "The options dialog is not part of this build.",
                   Buttons::Ok);
#endif
}

// --- layout file ----------------------------------------------------------------------------

void MainWindow::readLayout() {
    std::string text;
    if (!readFileBytes(layoutPath(), text) || !layout_.parse(text)) return;
    if (const WindowPlacement* p = layout_.find("TZKMAIN")) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const Rect r =
            fitToScreen({p->left, p->top, p->width, p->height}, screen.width(), screen.height());
        setGeometry(r.left, r.top, std::max(r.width, 240), std::max(r.height, 300));
        // A main window stored minimized starts as a normal one: the program would otherwise
        // seem not to start at all.
        if (p->state == WindowState::Maximized) showMaximized();
    }
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = subs_[size_t(i)];
        if (!s) continue;
        if (const WindowPlacement* p = layout_.find(slotName(Slot(i)))) {
            s->setGeometry(p->left, p->top, std::max(p->width, 200), std::max(p->height, 100));
            placed_[size_t(i)] = true;
            layoutState_[size_t(i)] = p->state;
            // The first activation then hides the windows that belong to debug mode.
            if (p->visible) showAsChild(Slot(i), true);
        }
    }
}

void MainWindow::writeLayout() {
    const QRect g = normalGeometry();
    layout_.store({"TZKMAIN", g.x(), g.y(), g.width(), g.height(),
                   isMaximized() ? WindowState::Maximized : WindowState::Normal, true});
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = subs_[size_t(i)];
        // A window never shown has only its design place: the record read from the file (if
        // any) stays as it was.
        if (!s || !shown_[size_t(i)]) continue;
        const QRect r = s->geometry();
        const WindowState state = s->isMaximized()   ? WindowState::Maximized
                                  : s->isMinimized() ? WindowState::Minimized
                                                     : WindowState::Normal;
        layout_.store(
            {slotName(Slot(i)), r.x(), r.y(), r.width(), r.height(), state, s->isVisible()});
    }
    writeFileAtomic(layoutPath(), layout_.format());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstActivation_) return;
    firstActivation_ = false;
    readLayout();
    shell_->firstActivation(args_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == connection_ && event->type() == QEvent::MouseButtonRelease &&
        connection_->isEnabled()) {
        shell_->SelectTarget(shell_->state().simulatorMode);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_ && !shell_->closeRequested()) {
        event->ignore();
        return;
    }
    // A simulator run turns its own loop inside the event loop: it must end with the window.
    if (up_.running()) up_.Stop();
    shell_->closeFinal();
    writeLayout();
    revisionText_->close();
    event->accept();
}

} // namespace zerka::gui
