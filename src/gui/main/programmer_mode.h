#pragma once
// The main window's programmer mode: the programmer toolbar's commands, the "DownLoad To Flash
// Memory" and "Read From Flash Memory" items of the File menu, the programmer page of the
// editor window and the grid that shows the words read.
#include "gui/programmer/programmer_commands.h"
#include "shell/commands.h"
#include "shell/programmer_session.h"

#include <QMdiSubWindow>
#include <QObject>
#include <QProgressBar>

#include <memory>

namespace zerka::gui {

class MainWindow;
class ProgrammerPage;
class ReadResultView;

class ProgrammerMode : public QObject {
    Q_OBJECT
  public:
    explicit ProgrammerMode(MainWindow& window);
    ~ProgrammerMode() override;

    // A programmer command of the toolbar or the menus.
    void run(Command command);

    ProgrammerSession& session() { return *session_; }
    ProgrammerCommands& commands() { return *commands_; }
    ProgrammerPage& page() { return *page_; }
    ReadResultView& view() { return *view_; }
    QMdiSubWindow* viewWindow() const;

  private:
    void running(bool on);

    MainWindow& w_;
    ProgrammerSession* session_ = nullptr; // the workbench's
    ProgrammerPage* page_ = nullptr;
    ReadResultView* view_ = nullptr;
    std::unique_ptr<ProgrammerCommands> commands_;
    QProgressBar* progress_ = nullptr;
    QAction* progressAction_ = nullptr;
    size_t progressConnection_ = 0;
};

} // namespace zerka::gui
