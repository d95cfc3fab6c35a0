#pragma once
// TZk_WCHEDIT, the watch edit dialog: the symbol and its value, "Normal" or "Bit", the referred
// address field with the list of all symbol names, "&Ok", "&Apply", "&Restore" and the
// "Modified" label, over the headless WatchEditDialog.
#include "views/watch_list.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace zerka {
class UiHost;
}

namespace zerka::gui {

class WatchEditBox : public QDialog {
    Q_OBJECT
  public:
    WatchEditBox(WatchListModel& list, UiHost& ui, QWidget* parent = nullptr);
    ~WatchEditBox() override;

    // Loads a symbol into the dialog (the values Restore goes back to).
    void open(const std::string& name);
    // The symbol names of the list (after a build).
    void refillSymbols();
    const std::string& symbolName() const;

    // The controls' actions, also used by tests.
    void chooseBit(bool bit);
    void setReferred(const QString& text);
    void pickSymbol(const QString& name);
    // False when the dialog stays open (a referred name that is not a symbol).
    bool apply();
    void restore();
    bool modifiedShown() const;
    bool bitChosen() const;
    QString referredText() const;
    bool referredEnabled() const;

  Q_SIGNALS:
    void applied();

  private:
    void showModel();

    WatchListModel& list_;
    UiHost& ui_;
    std::unique_ptr<WatchEditDialog> edit_;
    QLabel* name_ = nullptr;
    QLabel* value_ = nullptr;
    QRadioButton* normal_ = nullptr;
    QRadioButton* bit_ = nullptr;
    QLineEdit* referred_ = nullptr;
    QListWidget* symbols_ = nullptr;
    QLabel* modified_ = nullptr;
    bool updating_ = false;
};

} // namespace zerka::gui
