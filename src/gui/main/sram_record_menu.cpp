#include "gui/main/sram_record_menu.h"

#include "gui/main/main_window.h"
#include "uitext/text_id.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace zerka::gui {

SramRecordMenu::SramRecordMenu(MainWindow& main)
    : QObject(&main), main_(main), model_(main.workbench().up(), main.workbench().ui()) {
    Shell& shell = main_.workbench().shell();
    model_.setHooks({
        .currentFile = [&shell] { return shell.state().currentFile; },
        .sourcePath =
            [&shell](uint8_t index) {
                const auto& files = shell.lastAssembly().files;
                return index < files.size() ? files[index] : std::string();
            },
        .sourceModified =
            [&shell](const std::string& path) {
                EditorFiles& editor = shell.parts().editor;
                const int slot = editor.findSlot(path);
                return slot > 0 && editor.isModified(slot);
            },
        .reloadSource =
            [&shell](const std::string& path) {
                EditorFiles& editor = shell.parts().editor;
                if (const int slot = editor.findSlot(path); slot > 0) editor.reload(slot);
            },
        .rebuild = [this] { rebuild(); },
        .language = [&shell] { return shell.parts().options.languageIndex(); },
        .modeChanged = [&shell](bool on) { shell.state().views.sramContinue = on; },
    });

    // An ordinary window: the debugger keeps stepping and editing registers while it fills.
    window_ = new SramRecordWindow(model_, &main_);
    window_->setWindowFlag(Qt::Window);
    window_->hide();

    item_ = new QAction(QString::fromStdString(TextOf(TextId::ItemSramRecord)), this);
    item_->setObjectName(QStringLiteral("SramRecordMenu"));
    item_->setVisible(false);
    connect(item_, &QAction::triggered, this, [this] { showWindow(); });
    main_.menuBar()->insertAction(main_.action(Command::EditMenu), item_);

    TZk_UP& up = shell.parts().up;
    runStarted_ = up.runStarted().connect([this] { setAddEnabled(false); });
    stopped_ = up.OnStopped().connect([this] { setAddEnabled(true); });
    sync();
}

SramRecordMenu::~SramRecordMenu() {
    TZk_UP& up = main_.workbench().shell().parts().up;
    up.runStarted().disconnect(runStarted_);
    up.OnStopped().disconnect(stopped_);
    // The window reads the model: it goes first.
    delete window_;
}

void SramRecordMenu::sync() {
    const Shell& shell = main_.workbench().shell();
    const int debugMode = shell.state().debugMode;
    item_->setVisible(debugMode == 1 && shell.commands()[Command::SramRecordMenu].visible);
    // Entering debug mode leaves the target stopped.
    if (debugMode == 1 && lastDebugMode_ != 1) setAddEnabled(true);
    lastDebugMode_ = debugMode;
    if (model_.continueMode() != shell.state().views.sramContinue)
        model_.record().setContinueMode(shell.state().views.sramContinue);
    window_->refreshView();
}

void SramRecordMenu::setAddEnabled(bool on) {
    window_->setAddEnabled(on);
}

void SramRecordMenu::showWindow() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window_->move(screen.left() + screen.width() / 4, screen.top() + screen.height() / 4);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void SramRecordMenu::rebuild() {
    Shell& shell = main_.workbench().shell();
    window_->hide();
    if (shell.state().debugMode == 1) shell.EnterEditMode(true);
    // The recorded edits are in the source now.
    model_.reset();
    shell.assembleAndRun();
}

} // namespace zerka::gui
