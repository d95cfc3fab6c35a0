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
    using enum Command;
    const std::pair<Command, std::function<void()>> items[] = {
        {EditMode, [&d] { d.editMode(); }},
        {Count, {}},
        {Run, [&d] { d.run(); }},
        {Reset, [&d] { d.reset(); }},
        {Trace, [&d] { d.trace(); }},
        {StepOver, [&d] { d.stepOver(); }},
        {StepBack, [&d] { d.stepBack(); }},
        {StackOut, [&d] { d.stackOut(); }},
        {Continue, [&d] { d.continueRun(); }},
        {Stop, [&d] { d.stop(); }},
        {SetBreakPoint, [&d] { d.setBreakPoint(); }},
        {Count, {}},
        {ReloadRom, [&d] { d.reloadRom(); }},
        {IceTest, [&d] { d.iceTest(); }},
    };
    for (const auto& [command, run] : items) {
        if (command == Count) {
            build->addSeparator();
            continue;
        }
        build->addAction(actions_.at(command));
        on(command, run);
    }
    connect(build, &QMenu::aboutToShow, this, [this] { updateAssembleRunCaption(); });
}

void MainWindow::updateAssembleRunCaption() {
    // The assemble-and-debug item names the target it builds for.
    const bool simulator = bench_->shell().state().simulatorMode;
    const TextId target = simulator ? TextId::ItemSimulation : TextId::ItemEmulation;
    actions_[Command::AssembleRun]->setText(captionOf(TextId::ItemAssembleRun) +
                                            QStringLiteral(" ( ") +
                                            withoutMnemonic(captionOf(target)) +
                                            QStringLiteral(" )"));
}

void MainWindow::buildRunButtons() {
    runBar_->addSeparator();
    // Caption, hint entry of the text table, command.
    const std::tuple<const char*, TextId, Command> buttons[] = {
        {"F5", TextId::HintRun, Command::Run},
        {"F7", TextId::HintTrace, Command::Trace},
        {"F8", TextId::HintStepOver, Command::StepOver},
        {"F9", TextId::HintStepBack, Command::StepBack},
        {"F10", TextId::HintStackOut, Command::StackOut},
        {"F11", TextId::HintContinue, Command::Continue},
        {"F12", TextId::HintStop, Command::Stop},
        {"F6", TextId::HintReset, Command::Reset}};
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
    if (child == slots_[size_t(Slot::ProgramMemory)].sub) return BreakpointTarget::ProgramMemory;
    if (child == slots_[size_t(Slot::Source)].sub) return BreakpointTarget::SourceView;
    return BreakpointTarget::None;
}

// --- debug windows and the source view ---------------------------------------------------------

void MainWindow::installDebugWindow(Slot slot, QWidget* widget, DebugWindow* window) {
    QMdiSubWindow* sub = slots_[size_t(slot)].sub;
    if (QWidget* old = sub->widget()) {
        // A second window for the slot replaces the first.
        sub->setWidget(nullptr);
        old->deleteLater();
    }
    sub->setWidget(widget);
    sub->hide();
    debugWindows_[slot] = window;
    slots_[size_t(slot)].placed = false;
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
