// The main window's debug mode: the run commands in the "Assemble&&Run" menu and on the run
// toolbar, the three timers (the uP centre's run timer, the 20 ms Continue timer and the
// 1-second link watchdog), the debug windows in their slots and the source view's port.
#include "gui/main/main_window.h"

#include "gui/main/analog_views.h"


#include <QMenu>

#include <tuple>

namespace zerka::gui {

void MainWindow::buildDebugMenu(QMenu* build) {
    DebugCommands& d = bench_->debug();
    build->addAction(makeAction(Command::EditMode, 132, QKeySequence(Qt::CTRL | Qt::Key_F11)));
    connect(actions_[Command::EditMode], &QAction::triggered, this, [&d] { d.editMode(); });
    build->addSeparator();
    struct Item {
        Command command;
        int entry; // -1: a caption the text table has no entry for
        const char* caption;
        QKeySequence key;
        std::function<void()> run;
    };
    const Item items[] = {
        {Command::Run, 127, "", QKeySequence(Qt::Key_F5), [&d] { d.run(); }},
        {Command::Reset, 131, "", QKeySequence(Qt::Key_F6), [&d] { d.reset(); }},
        {Command::Trace, 129, "", QKeySequence(Qt::Key_F7), [&d] { d.trace(); }},
        {Command::StepOver, 128, "", QKeySequence(Qt::Key_F8), [&d] { d.stepOver(); }},
        {Command::StepBack, -1, "StepBack", QKeySequence(Qt::Key_F9), [&d] { d.stepBack(); }},
        {Command::StackOut, 134, "", QKeySequence(Qt::Key_F10), [&d] { d.stackOut(); }},
        {Command::Continue, 295, "", QKeySequence(Qt::Key_F11), [&d] { d.continueRun(); }},
        {Command::Stop, 130, "", QKeySequence(Qt::Key_F12), [&d] { d.stop(); }},
        {Command::SetBreakPoint, 133, "", QKeySequence(Qt::Key_F2), [&d] { d.setBreakPoint(); }},
        {Command::ReloadRom, -1, "ReLoad-ROM", QKeySequence(), [&d] { d.reloadRom(); }},
        {Command::IceTest, 166, "", QKeySequence(), [&d] { d.iceTest(); }},
    };
    for (const Item& it : items) {
        QAction* a = nullptr;
        if (it.entry >= 0) {
            a = makeAction(it.command, it.entry, it.key);
        } else {
            a = new QAction(QString::fromLatin1(it.caption), this);
            a->setShortcut(it.key);
            a->setObjectName(a->text());
            actions_[it.command] = a;
            captions_.item(a, -1, a->text());
        }
        // The keys work wherever the focus is in the main window, child windows included.
        a->setShortcutContext(Qt::ApplicationShortcut);
        connect(a, &QAction::triggered, this, it.run);
        build->addAction(a);
        if (it.command == Command::SetBreakPoint) build->addSeparator();
    }
    connect(build, &QMenu::aboutToShow, this, [this] { updateAssembleRunCaption(); });
}

void MainWindow::updateAssembleRunCaption() {
    // The assemble-and-debug item names the target it builds for.
    const bool simulator = bench_->shell().state().simulatorMode;
    actions_[Command::AssembleRun]->setText(captionOf(119) + QStringLiteral(" ( ") +
                                            withoutMnemonic(captionOf(simulator ? 123 : 124)) +
                                            QStringLiteral(" )"));
}

void MainWindow::buildRunButtons() {
    runBar_->addSeparator();
    // Caption, hint entry of the text table, command.
    const std::tuple<const char*, int, Command> buttons[] = {
        {"F5", 208, Command::Run},       {"F7", 204, Command::Trace},
        {"F8", 206, Command::StepOver},  {"F9", 218, Command::StepBack},
        {"F10", 214, Command::StackOut}, {"F11", 217, Command::Continue},
        {"F12", 210, Command::Stop},     {"F6", 212, Command::Reset}};
    for (const auto& [caption, hint, command] : buttons) {
        QAction* a = runBar_->addAction(QString::fromLatin1(caption));
        a->setToolTip(captionOf(hint));
        a->setObjectName(QStringLiteral("RunButton") + QString::fromLatin1(caption));
        if (QWidget* w = runBar_->widgetForAction(a)) w->setAccessibleName(a->toolTip());
        connect(a, &QAction::triggered, this, [this, command = command] {
            if (QAction* item = actions_[command]; item->isEnabled()) item->trigger();
        });
        a->setVisible(false);
        runButtons_[command] = a;
    }
}

void MainWindow::buildDebugTimers() {
    runTimer_ = new QTimer(this);
    runTimer_->setObjectName(QStringLiteral("RunTimer"));
    connect(runTimer_, &QTimer::timeout, this, [this] {
        bench_->up().RunTimerTick();
        if (!bench_->up().runTimerEnabled()) runTimer_->stop();
    });
    continueTimer_ = new QTimer(this);
    continueTimer_->setObjectName(QStringLiteral("ContinueTimer"));
    continueTimer_->setInterval(DebugCommands::kContinueInterval);
    connect(continueTimer_, &QTimer::timeout, this, [this] { bench_->debug().continueTick(); });
    watchdogTimer_ = new QTimer(this);
    watchdogTimer_->setObjectName(QStringLiteral("LinkWatchdog"));
    watchdogTimer_->setInterval(DebugCommands::kWatchdogInterval);
    connect(watchdogTimer_, &QTimer::timeout, this, [this] { bench_->debug().watchdogTick(); });
}

// --- DebugHost -------------------------------------------------------------------------------

void MainWindow::refreshDebugWindows() {
    for (auto& [slot, window] : debugWindows_)
        if (window && isShowing(slot)) window->refreshView();
    // The calculators read the chip's registers themselves.
    if (analogViews_) analogViews_->refreshShowing();
}

void MainWindow::setContinueTimer(bool on) {
    if (on)
        continueTimer_->start();
    else
        continueTimer_->stop();
}

void MainWindow::setLinkWatchdog(bool on) {
    if (on)
        watchdogTimer_->start();
    else
        watchdogTimer_->stop();
}

void MainWindow::runTimerChanged() {
    // A simulator run turns its own loop of time slices between event-loop passes; a timer
    // tick inside a pass would only add a second slice to it and double the gap.
    if (!bench_->up().runTimerEnabled() || bench_->up().simulatorMode()) {
        runTimer_->stop();
        return;
    }
    runTimer_->setInterval(bench_->up().runTimerInterval());
    if (!runTimer_->isActive()) runTimer_->start();
}

void MainWindow::showStackStatus(const StackStateText& state, const std::string& mainFile) {
    if (state.text.empty()) {
        status_->setText(QString::fromStdString(mainFile));
        status_->setStyleSheet(QString());
        return;
    }
    status_->setText(QString::fromStdString(state.text));
    status_->setStyleSheet(state.colour == StackStateColour::Yellow
                               ? QStringLiteral("background: yellow; color: black")
                               : QStringLiteral("background: red; color: white"));
}

BreakpointTarget MainWindow::breakpointTarget() const {
    QMdiSubWindow* child = activeChild();
    if (!child) return BreakpointTarget::None;
    if (child == subs_[size_t(Slot::ProgramMemory)]) return BreakpointTarget::ProgramMemory;
    if (child == subs_[size_t(Slot::Source)]) return BreakpointTarget::SourceView;
    return BreakpointTarget::None;
}

// --- debug windows and the source view ---------------------------------------------------------

void MainWindow::installDebugWindow(Slot slot, QWidget* widget, DebugWindow* window) {
    QMdiSubWindow*& sub = subs_[size_t(slot)];
    if (sub) {
        // A second window for the slot replaces the first.
        mdi_->removeSubWindow(sub);
        sub->deleteLater();
    }
    sub = mdi_->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->hide();
    debugWindows_[slot] = window;
    placed_[size_t(slot)] = false;
    applyCaptions();
    commandsChanged();
}

DebugWindow* MainWindow::debugWindow(Slot slot) const {
    const auto it = debugWindows_.find(slot);
    return it == debugWindows_.end() ? nullptr : it->second;
}

void MainWindow::setSourceViewPort(SourceViewPort* port) {
    sourcePort_ = port;
    bench_->debug().setSourceView(port);
}

void MainWindow::loadSourceView(const AssemblyResult& result, const std::string& sizeText) {
    if (sourceLoader_) sourceLoader_(result, sizeText);
}

void MainWindow::clearSourceView() {
    if (sourcePort_) sourcePort_->Clear();
}

} // namespace zerka::gui
