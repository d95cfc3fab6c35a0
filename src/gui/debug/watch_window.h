#pragma once
// TZk_WATCH, the watch window: the watch grid over WatchListModel with its four display modes,
// the pop-up menu, the add/remove and edit dialogs, value edits of watched symbols and the
// ".pro" watch-list files.
#include "gui/debug/debug_window.h"
#include "views/watch_list.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QTableView;

namespace zerka {
class DebugViews;
class UiHost;
struct ViewContext;
class WatchValueEditor;
} // namespace zerka

namespace zerka::gui {

class WatchAddDialog;
class WatchEditBox;
class WatchTableModel;

class WatchWindow : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    // Picks a ".pro" file to load (save = false) or to save; empty when cancelled.
    using FileChooser = std::function<QString(bool save)>;

    WatchWindow(WatchListModel& list, ViewContext& context, UiHost& ui, QWidget* parent = nullptr);
    WatchWindow(DebugViews& views, UiHost& ui, QWidget* parent = nullptr);
    ~WatchWindow() override;

    void refreshView() override;

    // After a build (the list's symbols were replaced): refill both dialogs, then load the
    // project's watch-list file (a missing file leaves the list as the build made it).
    void symbolsReloaded(const std::filesystem::path& watchListFile);
    // Where closing the window saves the list (the current file with extension ".pro").
    void setPropertiesFile(std::filesystem::path path) { propertiesFile_ = std::move(path); }
    bool loadProperties(const std::filesystem::path& path);
    bool saveProperties(const std::filesystem::path& path);
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    // The selected grid row (1.. as in the list model), 0 when the list is empty.
    int selectedRow() const;
    void selectRow(int row);
    // Types a new value for the selected row's symbol; false when nothing was written.
    bool editValue(int row);

    QTableView& table() const { return *table_; }
    WatchAddDialog& addDialog() const { return *addDialog_; }
    WatchEditBox& editDialog() const { return *editDialog_; }
    WatchListModel& list() const { return list_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void listChanged();
    void applyColumnWidths();
    void popUpMenu(QPoint globalPos);
    // The pop-up menu's items as shown now, and running one of them.
    std::vector<MenuItem> menuItems() const;
    void runMenuItem(MenuAction action);
    QString chooseFile(bool save);

    WatchListModel& list_;
    ViewContext& context_;
    UiHost& ui_;
    QTableView* table_ = nullptr;
    WatchTableModel* model_ = nullptr;
    WatchAddDialog* addDialog_ = nullptr;
    WatchEditBox* editDialog_ = nullptr;
    std::unique_ptr<WatchValueEditor> values_;
    FileChooser chooser_;
    std::filesystem::path propertiesFile_;
    ModelSubscription changes_;
    int lastCount_ = -1;
    bool hidden_ = false;
};

} // namespace zerka::gui
