#include "gui/main/main_window.h"
#include "gui/main/programmer_mode.h"

#include "gui/main/debug_window_set.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/main/analog_views.h"
#include "gui/main/message_log_window.h"
#include "gui/main/sram_record_menu.h"
#include "shell/shell_options_host.h"
#include "shell/window_slots.h"
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
#include <stdexcept>
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
    : QMainWindow(parent), programDir_(programDir), args_(std::move(args)) {
    setObjectName(QStringLiteral("TZKMAIN"));
    QCoreApplication::setApplicationName(QStringLiteral("Zerka-IDE"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setAccessibleName(QStringLiteral("Windows"));
    setCentralWidget(mdi_);

    // The session: the window is its windows and its debug host; the editor shows its
    // documents.
    WorkbenchSetup setup;
    setup.programDir = programDir_;
    setup.ui = &ui_;
    setup.windows = this;
    setup.debugHost = this;
    setup.yield = [] { QCoreApplication::processEvents(); };
    bench_ = std::make_unique<Workbench>(std::move(setup));
    editor_ = new EditorWindow(bench_->editor());
    editor_->setObjectName(QStringLiteral("TZk_EDIT"));
    logWindow_ = new MessageLogWindow(bench_->log());
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
    // Every slot has its sub-window from the start, in the table's order (which is also the
    // order Ctrl+Tab walks); the windows that fill them come as they are built.
    for (SlotWindow& w : slots_) {
        w.sub = new QMdiSubWindow;
        w.sub->setAttribute(Qt::WA_DeleteOnClose, false);
        mdi_->addSubWindow(w.sub);
        w.sub->hide();
    }
    slots_[size_t(Slot::Editor)].sub->setWidget(editorPane_);
    slots_[size_t(Slot::Log)].sub->setWidget(logWindow_);

    // A simulator run lets the window work between its time slices.
    bench_->up().setYieldHook([] { QCoreApplication::processEvents(); });

    buildMenus();
    buildToolbars();
    buildStatusLine();
    analogViews_ = new AnalogViews(*this);
    buildDebugTimers();
    debugSet_ = std::make_unique<DebugWindowSet>(*this);
    installWindowCycling();
    ui_.setWidgets(this, status_, busy_);
    programmerMode_ = std::make_unique<ProgrammerMode>(*this);
    for (const SlotWindow& w : slots_)
        if (!w.sub->widget()) throw std::logic_error("a window slot without its window");
    optionsHost_ = std::make_unique<MainOptionsHost>(bench_->shell(), *connection_);
    bench_->options().setHost(optionsHost_.get());
    // Engineer mode names itself in the caption at once.
    engineerConnection_ = bench_->options().engineerModeEntered.connect(
        [this] { setTitle(bench_->options().engineerCaption(TextOf(TextId::EditModeTitle), bench_->shell().state().projectFile)); });
    editor_->setListener(this);
    routeEditorCommands();
    connect(editor_, &EditorWindow::stateChanged, this, [this] {
        bench_->shell().refreshViewMenu();
        // A click or an edit in the editor releases a bookmark button that is down.
        if (markButton_->isChecked() || gotoButton_->isChecked()) releaseBookmarkButtons();
    });
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::childActivated);
    connect(logWindow_, &MessageLogWindow::gotoEntry, this, [this](int index) {
        showAsChild(Slot::Editor, true);
        if (GotoLogEntry(bench_->log(), size_t(index), bench_->editor()))
            logWindow_->list()->setFocus();
    });
    bench_->log().shown.connect([this] { showAsChild(Slot::Log, true); });

    // First run: 80 % of the screen, centred; the layout file overrides it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const Rect r = firstRunMainWindow(screen.width(), screen.height());
    setGeometry(screen.left() + r.left, screen.top() + r.top, r.width, r.height);
    setMinimumSize(240, 300);
    bench_->shell().create();
    sramMenu_ = std::make_unique<SramRecordMenu>(*this);
    setSramAddHook([this](bool on) { sramMenu_->setAddEnabled(on); });
}

MainWindow::~MainWindow() {
    // Closing the sub-windows while the members go away must not reach the tracker.
    disconnect(mdi_, nullptr, this, nullptr);
    for (QTimer* t : {runTimer_, continueTimer_, watchdogTimer_})
        t->stop();
    bench_->up().setYieldHook({});
    editor_->setListener(nullptr);
    bench_->options().setHost(nullptr);
    bench_->options().engineerModeEntered.disconnect(engineerConnection_);
    // The child windows hold references to the members (uP centre, models, shell): they go
    // first, before the members they use.
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        delete sub;
    for (SlotWindow& w : slots_)
        w.sub = nullptr;
    debugSet_.reset();
    // The calculators' views hold the workbench's uP centre.
    delete analogViews_;
    analogViews_ = nullptr;
}

std::string MainWindow::layoutPath() const {
    return programDir_ + "zerka-ide.wst";
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
    struct Look {
        QString text;
        bool enabled;
        QFrame::Shadow shadow;
        QString style;
    };
    const Look look = [state]() -> Look {
        switch (state) {
        case ConnectionPanel::Simulator:
            // Not clickable, but a status to read: plain text, not the greyed look of a dead
            // control.
            return {QStringLiteral("Simulator"), false, QFrame::Sunken,
                    QStringLiteral("QLabel:disabled { color: palette(text); }")};
        case ConnectionPanel::Connected:
            return {QStringLiteral("ICE Connect"), true, QFrame::Sunken, QString()};
        case ConnectionPanel::NotConnected:
            break;
        }
        return {QStringLiteral("ICE not Connect"), true, QFrame::Raised,
                QStringLiteral("background: red; color: white")};
    }();
    connection_->setText(look.text);
    connection_->setEnabled(look.enabled);
    connection_->setFrameShadow(look.shadow);
    connection_->setStyleSheet(look.style);
}

void MainWindow::setChecksumPanel(const std::string& text) {
    checksum_->setText(QString::fromStdString(text));
}

void MainWindow::commandsChanged() {
    const CommandStates& c = bench_->shell().commands();
    for (auto& [command, action] : actions_) {
        const CommandEntry* entry = commandEntry(command);
        if (entry && entry->enabling == Enabling::Always) continue;
        const CommandState& st = c[command];
        action->setEnabled(st.enabled);
        if (action->isCheckable() &&
            (command == Command::Simulation || command == Command::Emulation))
            action->setChecked(st.checked);
    }
    runBar_->setVisible(c[Command::RunToolbar].visible);
    // The run buttons show in debug mode only, enabled as their menu items are.
    const bool debugging = bench_->shell().state().debugMode == 1;
    for (auto& [command, button] : runButtons_) {
        button->setVisible(debugging);
        button->setEnabled(c[command].enabled);
    }
    programmerBar_->setVisible(c[Command::ProgrammerToolbar].visible);
    // A view button works as its menu item does, and only for a window this build has.
    for (auto& [slot, button] : viewButtons_)
        button->setEnabled(actions_[viewCommands_[slot]]->isEnabled());
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
    for (const LogEntry& e : bench_->log().entries())
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
    for (const SlotInfo& info : kSlotTable)
        if (info.title != TextId::None) {
            QMdiSubWindow* sub = slots_[size_t(info.slot)].sub;
            sub->setWindowTitle(captionOf(info.title));
            sub->setAccessibleName(captionOf(info.title));
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
    bench_->shell().closeFile();
}
void MainWindow::editorSetMainFile(const std::string& path) {
    bench_->shell().SetMainFile(path);
}
void MainWindow::editorFilesDropped(const std::vector<std::string>& paths) {
    for (const std::string& p : paths)
        editor_->openFile(p);
    bench_->shell().filesOpened();
}
void MainWindow::editorLastSlotClosed() {
    bench_->shell().setFileCommands(false);
}

// --- window management -----------------------------------------------------------------------


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
        openFileDialog({"*.asm|*.asm|*.inc|*.inc|*.*|*.*", ".asm", bench_->shell().state().dialogDir});
    if (!path) return;
    if (!editor_->openFile(*path))
        ui_.messageBox(MessageType::Error, "Can not open file: " + *path, Buttons::Ok);
    bench_->shell().filesOpened();
}

void MainWindow::runOptions() {
#ifdef ZERKA_HAS_OPTIONS_DIALOG
    if (!optionsDialog_) optionsDialog_ = new OptionsDialog(bench_->options(), nullptr, this);
    optionsDialog_->setEditorFont(bench_->shell().state().editorFont);
    optionsDialog_->runModal();
    bench_->shell().state().editorFont = optionsDialog_->editorFont();
    editor_->applyFont(bench_->shell().state().editorFont);
    applyFont(bench_->shell().state().editorFont);
    bench_->shell().applyCaptions();
    bench_->shell().ApplyIdeMode();
#else
    ui_.messageBox(MessageType::Information, "The options dialog is not part of this build.",
                   Buttons::Ok);
#endif
}


void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstActivation_) return;
    firstActivation_ = false;
    readLayout();
    bench_->shell().firstActivation(args_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == connection_ && event->type() == QEvent::MouseButtonRelease &&
        connection_->isEnabled()) {
        bench_->shell().SelectTarget(bench_->shell().state().simulatorMode);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_ && !bench_->shell().closeRequested()) {
        event->ignore();
        return;
    }
    // A simulator run turns its own loop inside the event loop: it must end with the window.
    if (bench_->up().running()) bench_->up().Stop();
    bench_->shell().closeFinal();
    writeLayout();
    revisionText_->close();
    event->accept();
}

} // namespace zerka::gui
