#pragma once
// TZk_Hex, the program-memory window: the disassembly grid with its breakpoint column, keys and
// scroll bar over ProgramMemoryViewModel, edits of program words, and a plain hex grid page for
// a word image read back from a chip.
#include "gui/debug/debug_window.h"
#include "views/program_memory_view.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QScrollBar;
class QStackedWidget;
class QTableView;

namespace zerka {
class DebugViews;
class UiHost;
struct ViewContext;
} // namespace zerka

namespace zerka::gui {

class ProgramMemoryGrid;
class ProgramMemoryImageModel;

class ProgramMemoryWindow : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    // Writes one program word; false when it could not be written (the emulator hook).
    using WordWriter = std::function<bool(uint32_t address, uint16_t word)>;

    ProgramMemoryWindow(ProgramMemoryViewModel& model, ViewContext& context, UiHost& ui,
                        QWidget* parent = nullptr);
    ProgramMemoryWindow(DebugViews& views, UiHost& ui, QWidget* parent = nullptr);

    void refreshView() override;
    // Centres an address and makes it current (the PC, or a synchronised address).
    void showAddress(uint32_t address);
    // The address of the selected row, for Set Break Point (F2).
    uint32_t selectedAddress() const;
    // Toggles an address breakpoint at the selected row (what F2 does on this window).
    void toggleBreakpointAtSelection();
    // Asks for a new code word at `address` and writes it; false when nothing was written.
    bool editWord(uint32_t address);
    // Program-word writes go through this when set. Unset, the simulator writes the program
    // cells and the emulator refuses the edit (the shell sets a writer that also writes the
    // unit's program memory).
    void setWordWriter(WordWriter writer) { writer_ = std::move(writer); }

    // The programmer's Read result: the word image as a plain hex grid under a caption.
    void showWordImage(const std::vector<uint16_t>& words, const QString& caption);
    // Back to the disassembly grid.
    void showDisassembly();
    bool wordImageShown() const;
    QString wordImageCaption() const;
    const ProgramMemoryImageModel& imageModel() const { return *image_; }

    ProgramMemoryGrid& grid() const { return *grid_; }
    QScrollBar& scrollBar() const { return *scroll_; }
    ProgramMemoryViewModel& model() const { return model_; }

  Q_SIGNALS:
    // A double-click on a row outside the breakpoint column: the shell shows its source line.
    void addressSelected(uint32_t address);

  private:
    void toggleBreakpoint(uint32_t address);
    void onDoubleClick(int row);
    void onContextMenu(int row, QPoint at);
    void syncScrollBar();

    ProgramMemoryViewModel& model_;
    ViewContext& context_;
    UiHost& ui_;
    ProgramMemoryGrid* grid_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* imageCaption_ = nullptr;
    QTableView* imageView_ = nullptr;
    ProgramMemoryImageModel* image_ = nullptr;
    WordWriter writer_;
    ModelSubscription changes_;
};

} // namespace zerka::gui
