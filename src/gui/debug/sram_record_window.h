#pragma once
// TSRAMRecord: the SRAM record window. A grid of the recorded register edits, the File,
// Continue and Compiler menus and two status panels (last action, recording mode) over the
// headless SramRecordModel, which does the work.
#include "gui/debug/debug_window.h"
#include "uitext/text_id.h"
#include "views/sram_record.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>

namespace zerka::gui {

class SramRecordWindow : public QDialog, public DebugWindow {
    Q_OBJECT
  public:
    explicit SramRecordWindow(SramRecordModel& model, QWidget* parent = nullptr);

    void refreshView() override;
    // The main window's running and stopped states: "Add to Current Address" only while stopped.
    void setAddEnabled(bool on);

    QTableWidget* grid() const { return grid_; }
    QLabel* actionPanel() const { return actionPanel_; }
    QLabel* modePanel() const { return modePanel_; }
    QAction* saveItem() const { return save_; }
    QAction* loadItem() const { return load_; }
    QAction* clearItem() const { return clear_; }
    QAction* closeItem() const { return close_; }
    QAction* continueItem() const { return continue_; }
    QAction* notContinueItem() const { return notContinue_; }
    QAction* createItem() const { return create_; }
    QAction* addItem() const { return add_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QAction* item(QMenu* menu, TextId entry, const char* name);
    void fitColumns();
    void refreshState();

    SramRecordModel& model_;
    QTableWidget* grid_ = nullptr;
    QLabel* actionPanel_ = nullptr;
    QLabel* modePanel_ = nullptr;
    QAction* save_ = nullptr;
    QAction* load_ = nullptr;
    QAction* clear_ = nullptr;
    QAction* close_ = nullptr;
    QAction* continue_ = nullptr;
    QAction* notContinue_ = nullptr;
    QAction* create_ = nullptr;
    QAction* add_ = nullptr;
    ModelSubscription changes_;
};

} // namespace zerka::gui
