#pragma once
// The programmer commands of the main window: Blank, Program, Verify, Read and Auto of the
// programmer toolbar, "DownLoad To Flash Memory" (with the burner confirmation) and "Read From
// Flash Memory". Each runs to its end on the one thread; `running` tells the window to disable
// the commands that could start one again.
#include "shell/commands.h"
#include "shell/programmer_session.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>

namespace zerka::gui {

class BurnerConfirmDialog;
class ProgrammerPage;
class ReadResultView;

class ProgrammerCommands : public QObject {
    Q_OBJECT
  public:
    ProgrammerCommands(ProgrammerSession& session, ProgrammerPage& page, ReadResultView& view,
                       QWidget* dialogParent);
    ~ProgrammerCommands() override;

    // ProgBlank, ProgProgram, ProgVerify, ProgRead, ProgAuto, DownLoad or ReadFlash.
    void run(Command command);
    bool isRunning() const { return running_; }

    BurnerConfirmDialog& confirmDialog();
    // Shows the confirmation window; true on "ok" (tests answer it themselves).
    std::function<bool(BurnerConfirmDialog&)> confirm;
    // The open dialog for the word image; nothing when none was chosen.
    std::function<std::optional<std::string>()> chooseHexFile;
    // Shows the message log and the program-memory grid after a read.
    std::function<void()> showResult;
    // Shows the message log after an operation.
    std::function<void()> showLog;

  signals:
    void running(bool on);

  private:
    void downloadCommand();

    ProgrammerSession& session_;
    ProgrammerPage& page_;
    ReadResultView& view_;
    QPointer<QWidget> parent_;
    BurnerConfirmDialog* confirm_ = nullptr; // made on first use
    bool running_ = false;
    size_t shown_ = 0;
};

} // namespace zerka::gui
