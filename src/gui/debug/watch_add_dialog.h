#pragma once
// TZk_ADDWCH, the add/remove dialog of the watch window: the sorted "Watch List" and
// "Other Constant" boxes, the move buttons and the two name fields.
#include <QDialog>

class QLineEdit;
class QListWidget;

namespace zerka {
class UiHost;
class WatchListModel;
} // namespace zerka

namespace zerka::gui {

class WatchAddDialog : public QDialog {
    Q_OBJECT
  public:
    WatchAddDialog(WatchListModel& list, UiHost& ui, QWidget* parent = nullptr);

    // Both boxes from the list (after a build and after every move).
    void refill();

    void moveSelectedIn();  // "<"
    void moveSelectedOut(); // ">"
    void moveAllIn();       // "<<"
    void moveAllOut();      // ">>", after the question
    void addTyped();        // "Add"
    void deleteTyped();     // "Del"

    QListWidget& watchBox() const { return *watchBox_; }
    QListWidget& otherBox() const { return *otherBox_; }
    QLineEdit& addField() const { return *addField_; }
    QLineEdit& deleteField() const { return *deleteField_; }

  private:
    WatchListModel& list_;
    UiHost& ui_;
    QListWidget* watchBox_ = nullptr;
    QListWidget* otherBox_ = nullptr;
    QLineEdit* addField_ = nullptr;
    QLineEdit* deleteField_ = nullptr;
};

} // namespace zerka::gui
