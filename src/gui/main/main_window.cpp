#include "gui/main/main_window.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/message_log_window.h"
#include "link/ppdev_port.h"
#include "uitext/text_table.h"
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
#include <QStatusBar>

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
                                            "TZk_ADC",   "TZk_OP",  "TZk_CMP"};
    return names[int(slot)];
}

// What the options model needs of the shell and the main window.
class ShellOptionsHost : public OptionsHost {
  public:
    ShellOptionsHost(Shell& shell, EmulatorTarget& ice, QLabel& connection)
        : shell_(shell), ice_(ice), connection_(connection) {}
    bool debugMode() const override { return shell_.state().debugMode == 1; }
    bool simulatorMode() const override { return shell_.state().simulatorMode; }
    void enterEditMode() override { shell_.EnterEditMode(true); }
    ChipLoadContext chipLoadContext() const override { return {}; }
    bool connectUsb() override { return ice_.connectCheck() == 0; }
    // The link layer opens the printer port when a command needs it.
    void lptInit() override {}
    void lptClose() override {}
    // The watch trigger goes to the emulator when debugging starts there.
    void iceSetWatch(uint16_t, uint8_t, uint8_t) override {}
    void refreshMainWindow() override { shell_.ApplyIdeMode(); }
    void applyIdeMode(IdeMode, bool) override {
        // The connection panel follows the mode too: the simulator panel only in debugger mode.
        shell_.SelectTarget(shell_.state().simulatorMode);
        shell_.ApplyIdeMode();
    }
    void enableConnectionPanel() override { connection_.setEnabled(true); }

  private:
    Shell& shell_;
    EmulatorTarget& ice_;
    QLabel& connection_;
};

} // namespace

MainWindow::MainWindow(const std::string& programDir, std::vector<std::string> args,
                       QWidget* parent)
    : QMainWindow(parent), programDir_(programDir), args_(std::move(args)),
      library_(fs::path(programDir) / "INCLUDE"), options_(library_, chip_), up_(&ui_) {
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
    revisionText_->resize(560, 420);

    subs_[size_t(Slot::Editor)] = mdi_->addSubWindow(editor_);
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

    buildMenus();
    buildToolbars();
    buildStatusLine();
    ui_.setWidgets(this, status_, busy_);
    optionsHost_ = std::make_unique<ShellOptionsHost>(*shell_, *ice_, *connection_);
    options_.setHost(optionsHost_.get());
    editor_->setListener(this);
    connect(editor_, &EditorWindow::stateChanged, this, [this] { shell_->refreshViewMenu(); });
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
}

MainWindow::~MainWindow() {
    editor_->setListener(nullptr);
    options_.setHost(nullptr);
}

std::string MainWindow::layoutPath() const {
    return programDir_ + "zerka-ide.wst";
}

QAction* MainWindow::makeAction(Command c, const QString& text, const QKeySequence& key) {
    auto* a = new QAction(text, this);
    a->setShortcut(key);
    a->setObjectName(text);
    actions_[c] = a;
    return a;
}

void MainWindow::buildMenus() {
    Shell& s = *shell_;
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(
        makeAction(Command::New, QStringLiteral("New(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N)));
    connect(actions_[Command::New], &QAction::triggered, this, [&s] { s.newFile(); });
    file->addAction(
        makeAction(Command::Open, QStringLiteral("Open(&O)"), QKeySequence(Qt::CTRL | Qt::Key_O)));
    connect(actions_[Command::Open], &QAction::triggered, this, [this] { openSourceFile(); });
    file->addAction(
        makeAction(Command::Save, QStringLiteral("Save(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S)));
    connect(actions_[Command::Save], &QAction::triggered, this, [&s] { s.save(false); });
    file->addAction(makeAction(Command::SaveAs, QStringLiteral("Save As")));
    connect(actions_[Command::SaveAs], &QAction::triggered, this, [&s] { s.save(true); });
    file->addAction(makeAction(Command::SaveAll, QStringLiteral("Save All")));
    connect(actions_[Command::SaveAll], &QAction::triggered, this, [&s] { s.saveAll(); });
    file->addAction(makeAction(Command::CloseFile, QStringLiteral("Close File")));
    connect(actions_[Command::CloseFile], &QAction::triggered, this, [&s] { s.closeFile(); });
    file->addAction(makeAction(Command::CloseAll, QStringLiteral("Close All")));
    connect(actions_[Command::CloseAll], &QAction::triggered, this, [&s] { s.closeAll(); });
    file->addSeparator();
    file->addAction(makeAction(Command::OpenProject, QStringLiteral("Open Project")));
    connect(actions_[Command::OpenProject], &QAction::triggered, this, [&s] { s.openProject(); });
    file->addAction(makeAction(Command::SaveProject, QStringLiteral("Save Project")));
    connect(actions_[Command::SaveProject], &QAction::triggered, this, [&s] { s.saveProject(); });
    file->addSeparator();
    file->addAction(
        makeAction(Command::Exit, QStringLiteral("Exit(&Q)"), QKeySequence(Qt::CTRL | Qt::Key_Q)));
    connect(actions_[Command::Exit], &QAction::triggered, this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->addAction(QStringLiteral("Undo(&Z)"), QKeySequence(Qt::CTRL | Qt::Key_Z), this,
                    [this] { editor_->undo(); });
    edit->addAction(QStringLiteral("Cut(&X)"), QKeySequence(Qt::CTRL | Qt::Key_X), this,
                    [this] { editor_->cut(); });
    edit->addAction(QStringLiteral("Copy(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C), this,
                    [this] { editor_->copy(); });
    edit->addAction(QStringLiteral("Paste(&V)"), QKeySequence(Qt::CTRL | Qt::Key_V), this,
                    [this] { editor_->paste(); });
    edit->addAction(QStringLiteral("Select All"), this, [this] { editor_->selectAll(); });
    QMenu* search = menuBar()->addMenu(QStringLiteral("Search"));
    search->addAction(QStringLiteral("Find(&F)"), QKeySequence(Qt::CTRL | Qt::Key_F), this,
                      [this] { editor_->find(); });
    search->addAction(QStringLiteral("Replace(&R)"), QKeySequence(Qt::CTRL | Qt::Key_R), this,
                      [this] { editor_->replace(); });
    search->addAction(QStringLiteral("Find Next"), QKeySequence(Qt::Key_F3), this,
                      [this] { editor_->findNext(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    connect(view, &QMenu::aboutToShow, this, [&s] { s.refreshViewMenu(); });
    view->addAction(
        makeAction(Command::ViewEdit, QStringLiteral("Edit"), QKeySequence(Qt::ALT | Qt::Key_1)));
    connect(actions_[Command::ViewEdit], &QAction::triggered, this, [this] {
        if (!shell_->state().commandLineStart) showAsChild(Slot::Editor, true);
    });
    view->addAction(makeAction(Command::ViewSource, QStringLiteral("Source"),
                               QKeySequence(Qt::ALT | Qt::Key_2)));
    view->addAction(
        makeAction(Command::ViewHex, QStringLiteral("Hex"), QKeySequence(Qt::ALT | Qt::Key_3)));
    view->addAction(
        makeAction(Command::ViewWatch, QStringLiteral("Watch"), QKeySequence(Qt::ALT | Qt::Key_4)));
    view->addAction(makeAction(Command::ViewRam, QStringLiteral("Static RAM"),
                               QKeySequence(Qt::ALT | Qt::Key_5)));
    view->addAction(makeAction(Command::ViewRegister, QStringLiteral("Special Register"),
                               QKeySequence(Qt::ALT | Qt::Key_6)));
    view->addAction(
        makeAction(Command::ViewStack, QStringLiteral("Stack"), QKeySequence(Qt::ALT | Qt::Key_7)));
    view->addAction(makeAction(Command::ViewBreakpoints, QStringLiteral("Break Point"),
                               QKeySequence(Qt::ALT | Qt::Key_8)));
    view->addAction(makeAction(Command::Message, QStringLiteral("Message")));
    connect(actions_[Command::Message], &QAction::triggered, this,
            [this] { showAsChild(Slot::Log, true); });
    view->addSeparator();
    view->addAction(QStringLiteral("Next File"), QKeySequence(Qt::ALT | Qt::Key_Right), this,
                    [this] { editor_->nextFile(); });
    view->addAction(QStringLiteral("Previous File"), QKeySequence(Qt::ALT | Qt::Key_Left), this,
                    [this] { editor_->previousFile(); });
    view->addAction(QStringLiteral("Tile Horizontally"), QKeySequence(Qt::ALT | Qt::Key_Down), this,
                    [this] { tile(true); });
    view->addAction(QStringLiteral("Tile Verticlly"), QKeySequence(Qt::ALT | Qt::Key_Up), this,
                    [this] { tile(false); });

    QMenu* windows = menuBar()->addMenu(QStringLiteral("Windows"));
    windows->addAction(QStringLiteral("ShowWindows"), this, [this] {
        showAsChild(Slot::Editor, true);
        showAsChild(Slot::Log, true);
    });

    QMenu* build = menuBar()->addMenu(QStringLiteral("Assemble&&Run"));
    build->addAction(makeAction(Command::AssembleRun, QStringLiteral("Assemble&&Run"),
                                QKeySequence(Qt::Key_F4)));
    connect(actions_[Command::AssembleRun], &QAction::triggered, this,
            [&s] { s.assembleAndRun(); });
    build->addAction(makeAction(Command::Assemble, QStringLiteral("Assemble"),
                                QKeySequence(Qt::CTRL | Qt::Key_F10)));
    connect(actions_[Command::Assemble], &QAction::triggered, this, [&s] { s.assembleOnly(); });
    build->addAction(QStringLiteral("Set Main File"), this, [this] {
        std::vector<std::string> paths;
        for (int i = 1; i <= editor_->slotCount(); ++i)
            paths.push_back(editor_->pathOf(i));
        std::string main = shell_->state().mainFile;
        if (chooseMainFile(this, paths, main)) shell_->SetMainFile(main);
    });
    QMenu* mode = build->addMenu(QStringLiteral("Set Mode"));
    mode->addAction(makeAction(Command::Simulation, QStringLiteral("Simulation")));
    mode->addAction(makeAction(Command::Emulation, QStringLiteral("Emulation")));
    actions_[Command::Simulation]->setCheckable(true);
    actions_[Command::Emulation]->setCheckable(true);
    connect(actions_[Command::Simulation], &QAction::triggered, this,
            [&s] { s.targetCommand(true); });
    connect(actions_[Command::Emulation], &QAction::triggered, this,
            [&s] { s.targetCommand(false); });
    build->addAction(makeAction(Command::EditMode, QStringLiteral("Edit Mode")));
    connect(actions_[Command::EditMode], &QAction::triggered, this,
            [&s] { s.EnterEditMode(true); });

    QMenu* opts = menuBar()->addMenu(QStringLiteral("Options"));
    opts->addAction(QStringLiteral("Build Options"), this, [this] { runOptions(); });
    opts->addAction(makeAction(Command::SaveConfiguration, QStringLiteral("Save Configuration")));
    connect(actions_[Command::SaveConfiguration], &QAction::triggered, this,
            [&s] { s.saveConfigurationCommand(); });
    opts->addAction(makeAction(Command::LoadConfiguration, QStringLiteral("Load Configuration")));
    connect(actions_[Command::LoadConfiguration], &QAction::triggered, this,
            [&s] { s.loadConfigurationCommand(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("About"), QKeySequence(Qt::ALT | Qt::Key_A), this,
                    [this] { showRevisionHistory(); });

    actions_[Command::ProgrammerMenu] =
        menuBar()->addMenu(QStringLiteral("Programmer"))->menuAction();
    actions_[Command::FileMenu] = file->menuAction();
    actions_[Command::EditMenu] = edit->menuAction();
    actions_[Command::OptionsMenu] = opts->menuAction();
}

void MainWindow::buildToolbars() {
    editBar_ = addToolBar(QStringLiteral("Edit"));
    editBar_->setObjectName(QStringLiteral("EditToolBar"));
    auto button = [](QToolBar* bar, const QString& text, const QString& hint, auto slot) {
        QAction* a = bar->addAction(text);
        a->setToolTip(hint);
        QObject::connect(a, &QAction::triggered, bar, slot);
        if (QWidget* w = bar->widgetForAction(a)) w->setAccessibleName(hint);
        return a;
    };
    button(editBar_, QStringLiteral("Open"), QStringLiteral("open file"),
           [this] { openSourceFile(); });
    button(editBar_, QStringLiteral("Page"), QStringLiteral("goto page"),
           [this] { editor_->showFileListPopup(QCursor::pos()); });
    button(editBar_, QStringLiteral("Find"), QStringLiteral("find string"),
           [this] { editor_->find(); });
    button(editBar_, QStringLiteral("F/N"), QStringLiteral("find next string"),
           [this] { editor_->findNext(); });
    button(editBar_, QStringLiteral("Asm"), QStringLiteral("Assemble"),
           [this] { shell_->assembleOnly(); });

    runBar_ = addToolBar(QStringLiteral("Debug"));
    runBar_->setObjectName(QStringLiteral("RunToolBar"));
    actions_[Command::EditDebugButton] =
        button(runBar_, QStringLiteral("Go"), QStringLiteral("switch EDIT/Debug mode"), [this] {
            if (shell_->state().debugMode == 1)
                shell_->EnterEditMode(true);
            else
                shell_->assembleAndRun();
        });
    button(runBar_, QStringLiteral("exit"), QStringLiteral("exit program"), [this] { close(); });
    button(runBar_, QStringLiteral("Edit"), QStringLiteral("goto EDIT window"),
           [this] { showAsChild(Slot::Editor, true); });

    programmerBar_ = addToolBar(QStringLiteral("Programmer"));
    programmerBar_->setObjectName(QStringLiteral("ProgrammerToolBar"));
    const std::pair<Command, const char*> prog[] = {{Command::ProgBlank, "Blank Check"},
                                                    {Command::ProgProgram, "Program Chip"},
                                                    {Command::ProgVerify, "Verify Chip"},
                                                    {Command::ProgRead, "Read Chip"},
                                                    {Command::ProgAuto, "Auto"}};
    for (const auto& [c, text] : prog) {
        actions_[c] =
            button(programmerBar_, QString::fromLatin1(text), QString::fromLatin1(text), [this] {
                ui_.messageBox(MessageType::Information, shell_text::kProgrammerMissing,
                               Buttons::Ok);
            });
    }
    actions_[Command::RunToolbar] = runBar_->toggleViewAction();
    actions_[Command::EditToolbar] = editBar_->toggleViewAction();
    actions_[Command::ProgrammerToolbar] = programmerBar_->toggleViewAction();
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
    if (show) {
        if (!placed_[size_t(slot)]) {
            s->setGeometry(defaultPlace(slot));
            placed_[size_t(slot)] = true;
        }
        s->show();
        s->widget()->show();
        mdi_->setActiveSubWindow(s);
    } else {
        s->hide();
    }
}

QRect MainWindow::defaultPlace(Slot slot) const {
    // The editor takes the upper two thirds of the area, the message log the rest below it;
    // the other windows start on the right half.
    const QRect area = mdi_->viewport()->rect();
    const int w = std::max(area.width(), 400), h = std::max(area.height(), 300);
    switch (slot) {
    case Slot::Editor:
        return QRect(0, 0, w, h * 2 / 3);
    case Slot::Log:
        return QRect(0, h * 2 / 3, w, h - h * 2 / 3);
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
        connection_->setStyleSheet(QString());
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
    programmerBar_->setVisible(c[Command::ProgrammerToolbar].visible);
    editBar_->setVisible(c[Command::EditToolbar].visible);
}

void MainWindow::waitIndicator(bool visible, int cells) {
    wait_->setVisible(visible);
    for (int i = 0; i < int(waitCells_.size()); ++i)
        waitCells_[size_t(i)]->setVisible(i < cells);
}

void MainWindow::closeMainWindow() {
    // The shell decided to end the program (a failed command-line start): no questions.
    closing_ = true;
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void MainWindow::bringToFront() {
    raise();
    activateWindow();
}

void MainWindow::applyCaptions() {
    // Every widget answers to screen readers with its caption or hint.
    for (QAction* a : findChildren<QAction*>())
        if (!a->text().isEmpty() && a->toolTip().isEmpty()) a->setToolTip(a->text());
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty()) continue;
        if (!w->toolTip().isEmpty())
            w->setAccessibleName(w->toolTip());
        else if (!w->windowTitle().isEmpty())
            w->setAccessibleName(w->windowTitle());
        else if (!w->objectName().isEmpty())
            w->setAccessibleName(w->objectName());
    }
    subs_[size_t(Slot::Log)]->setWindowTitle(QString::fromStdString(TextOf(234)));
    subs_[size_t(Slot::Editor)]->setWindowTitle(QString::fromStdString(TextOf(167)));
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
    const auto placed = twoColumns ? tileTwoColumns(showing, width(), height())
                                   : tileOneColumn(showing, width(), height());
    for (const TilePlacement& p : placed)
        subs_[size_t(p.slot)]->setGeometry(p.rect.left, p.rect.top, p.rect.width, p.rect.height);
}

void MainWindow::showRevisionHistory() {
    std::string text;
    if (!readFileBytes(programDir_ + "Revision_EN.txt", text)) return;
    revisionText_->setPlainText(QString::fromUtf8(text.data(), qsizetype(text.size())));
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
        if (p->state == WindowState::Maximized) showMaximized();
    }
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = subs_[size_t(i)];
        if (!s) continue;
        if (const WindowPlacement* p = layout_.find(slotName(Slot(i)))) {
            s->setGeometry(p->left, p->top, std::max(p->width, 200), std::max(p->height, 100));
            placed_[size_t(i)] = true;
        }
    }
}

void MainWindow::writeLayout() {
    const QRect g = normalGeometry();
    layout_.store({"TZKMAIN", g.x(), g.y(), g.width(), g.height(),
                   isMaximized() ? WindowState::Maximized : WindowState::Normal, true});
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = subs_[size_t(i)];
        if (!s) continue;
        const QRect r = s->geometry();
        layout_.store({slotName(Slot(i)), r.x(), r.y(), r.width(), r.height(),
                       s->isMaximized() ? WindowState::Maximized : WindowState::Normal,
                       s->isVisible()});
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
    shell_->closeFinal();
    writeLayout();
    revisionText_->close();
    event->accept();
}

} // namespace zerka::gui
