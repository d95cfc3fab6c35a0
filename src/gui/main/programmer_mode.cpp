#include "gui/main/programmer_mode.h"

#include "gui/editor/editor_window.h"
#include "gui/main/main_window.h"
#include "gui/programmer/programmer_page.h"
#include "gui/programmer/read_result_view.h"

#include <QMenu>
#include <QProgressBar>
#include <QToolBar>

#include <algorithm>

namespace zerka::gui {

ProgrammerMode::ProgrammerMode(MainWindow& window) : QObject(&window), w_(window) {
    // The programmer sits in the same unit as the emulator: the workbench's session, one link.
    ShellParts& parts = w_.workbench().shell().parts();
    session_ = &w_.workbench().programmer();
    ProgrammerSession* session = session_;
    page_ = new ProgrammerPage(parts.options, parts.library, [session]() -> ProgLink* {
        return session->connect() ? &session->link() : nullptr;
    });
    w_.editor().addPage(page_, QStringLiteral("Programmer"));

    // The words read show in their window slot; the first time at the right edge, beside the
    // editor's text, wide enough for the 16 columns.
    view_ = new ReadResultView;
    w_.installDebugWindow(Slot::ReadResult, view_, nullptr);
    QMdiSubWindow* sub = viewWindow();
    sub->resize(sub->sizeHint().expandedTo(view_->sizeHint() + QSize(16, 40)));

    commands_ = std::make_unique<ProgrammerCommands>(*session_, *page_, *view_, &w_);
    commands_->showLog = [this] { w_.showAsChild(Slot::Log, true); };
    commands_->showResult = [this] {
        w_.showAsChild(Slot::Log, true);
        w_.showAsChild(Slot::ReadResult, true);
    };
    connect(commands_.get(), &ProgrammerCommands::running, this, &ProgrammerMode::running);

    // The two flash commands go to the File menu, before "Exit".
    QMenu* file = w_.action(Command::FileMenu)->menu();
    QAction* exit = w_.action(Command::Exit);
    for (Command command : {Command::DownLoad, Command::ReadFlash}) {
        QAction* a = w_.action(command);
        file->insertAction(exit, a);
        connect(a, &QAction::triggered, this, [this, command] { run(command); });
    }
    file->insertSeparator(exit);

    // The progress of a transfer or job, at the end of the programmer toolbar.
    if (auto* bar = w_.findChild<QToolBar*>(QStringLiteral("ProgrammerToolBar"))) {
        progress_ = new QProgressBar(bar);
        progress_->setObjectName(QStringLiteral("ProgrammerProgress"));
        progress_->setAccessibleName(QStringLiteral("Progress"));
        progress_->setRange(0, 100);
        progress_->setFixedWidth(160);
        progressAction_ = bar->addWidget(progress_);
        progressAction_->setVisible(false);
        progressConnection_ = session_->progressShown.connect([this](int percent) {
            progressAction_->setVisible(percent >= 0);
            if (percent >= 0) progress_->setValue(std::min(percent, 100));
        });
    }
    w_.commandsChanged();
}

ProgrammerMode::~ProgrammerMode() {
    // The commands hold the session: they go first.
    commands_.reset();
    session_->progressShown.disconnect(progressConnection_);
}

QMdiSubWindow* ProgrammerMode::viewWindow() const {
    return w_.subWindow(Slot::ReadResult);
}

void ProgrammerMode::run(Command command) {
    commands_->run(command);
}

void ProgrammerMode::running(bool on) {
    if (!on) {
        w_.commandsChanged(); // the shell's states again
        return;
    }
    for (Command c : kProgrammerButtons)
        w_.action(c)->setEnabled(false);
    w_.action(Command::DownLoad)->setEnabled(false);
    w_.action(Command::ReadFlash)->setEnabled(false);
}

} // namespace zerka::gui
