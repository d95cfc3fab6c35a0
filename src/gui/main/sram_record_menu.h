#pragma once
// The main window's part of the SRAM record: the "SRAM Record" menu item (debug mode only),
// the record model over the uP centre and its window, and what the record asks of the IDE —
// the current file, the source files of the last build, the editor reload and the rebuild.
#include "gui/debug/sram_record_window.h"
#include "views/sram_record.h"

#include <QAction>
#include <QObject>

namespace zerka::gui {

class MainWindow;

class SramRecordMenu : public QObject {
    Q_OBJECT
  public:
    explicit SramRecordMenu(MainWindow& main);
    ~SramRecordMenu() override;

    // After the shell changed its commands or state: the menu item follows the debug mode and
    // the recording mode follows the configuration.
    void sync();
    // The running and stopped states of the debugger.
    void setAddEnabled(bool on);
    // "SRAM Record": the window at a quarter of the screen (not modal).
    void showWindow();

    QAction* menuItem() const { return item_; }
    SramRecordModel& model() { return model_; }
    SramRecordWindow& window() { return *window_; }

  private:
    void rebuild();

    MainWindow& main_;
    SramRecordModel model_;
    SramRecordWindow* window_ = nullptr;
    QAction* item_ = nullptr;
    int lastDebugMode_ = -1;
    Signal<>::Connection runStarted_ = 0;
    Signal<>::Connection stopped_ = 0;
};

} // namespace zerka::gui
