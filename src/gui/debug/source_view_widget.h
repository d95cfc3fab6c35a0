#pragma once
// TZk_Source, the source view window: one read-only tab per assembled file over the
// SourceViewModel, with the mark column, the highlighted line, breakpoint toggling by double
// click, bookmarks by key, the pop-up menu and the value hint panel while debugging.
// First: the core headers use a member named emit.
#include "editor/asm_tokens.h"
#include "editor/editor_files.h"
#include "gui/debug/debug_window.h"
#include "views/source_view.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QTabWidget;
class QTableView;

namespace zerka::gui {

class SourceViewWidget : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    // The model must outlive the window.
    explicit SourceViewWidget(SourceViewModel& model, QWidget* parent = nullptr);
    ~SourceViewWidget() override;

    void refreshView() override;
    // The editor's font on every tab; the row height follows it.
    void ApplyFont(const EditorFont& font);
    // The syntax colours of the selected core (the editor's word lists).
    void setWords(std::shared_ptr<const AsmWords> words);
    // The value hint appears only in debug mode.
    void setDebugMode(bool on);

    QTabWidget* tabs() const { return tabs_; }
    // The table of a 1-based tab (nullptr outside, and before the tab was first shown).
    QTableView* view(int file) const;
    // The same, made now when needed.
    QTableView* ensureView(int file);
    // The value hint panel (hidden when no hint applies).
    QLabel* hintPanel() const { return hint_; }
    // Shows the hint for a pointer position in a tab's viewport, as a mouse move does.
    void hoverAt(int file, const QPoint& viewportPos);
    // Finds `text` (case-insensitive) after the cursor row of the front tab, wrapping to its
    // top; selects and centres the row. False when no row holds it.
    bool findText(const QString& text);
    // Asks for the text (the last one offered) and finds it.
    void findDialog();
    // The last text again; without one, the dialog.
    void findNext();
    // The next or previous tab, wrapping around.
    void nextFile();
    void previousFile();
    // The page menu: the shown files, sorted, each with the localized "Open " in front; the
    // chosen one comes to the front.
    void showFileMenu(const QPoint& globalPos);
    // The bookmark digits of the toolbar: on the front tab's cursor row, or there.
    void setBookmark(int n);
    void gotoBookmark(int n);
    bool hasBookmark(int n) const;

  Q_SIGNALS:
    // Ctrl+F9: stop and run the emulator memory check (the main window does it).
    void memoryCheckRequested();
    // The user selected a row with code: the other windows follow its address.
    void addressSelected(uint32_t address);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString lastFind_;
    void addTab(int file);
    void removeTabs();
    void showRow(int file, int32_t row, bool select);
    void updateFile(int file);
    void applyFontTo(QTableView* view);
    int fileOf(QObject* watched) const;
    bool key(int file, class QKeyEvent* event);
    void popup(int file, const QPoint& globalPos);
    void rowClicked(int file, int32_t row);
    void showCountColumns();
    void showCountColumns(QTableView* view);
    void saveCoverage();

    SourceViewModel& model_;
    QTabWidget* tabs_;
    QLabel* hint_;
    std::vector<QWidget*> pages_;
    std::vector<QTableView*> views_; // nullptr until the tab is first shown
    QFont font_;
    int rowHeight_ = 19;
    bool debugMode_ = false;
    std::shared_ptr<const AsmWords> words_;
    std::vector<std::function<void()>> disconnect_;
};

} // namespace zerka::gui
