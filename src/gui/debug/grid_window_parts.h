#pragma once
// What the grid windows (RAM, stack, registers) share: they are debug windows over a model of
// DebugViews, drawn as HexCellGrids; the value editor they open on a cell, one repaint for a
// burst of model changes, and a scroll area for a grid of fixed size.
#include "gui/debug/debug_window.h"
#include "gui/debug/hex_editor_popup.h"
#include "uitext/text_id.h"

#include <QWidget>

#include <functional>

class QBoxLayout;
class QScrollArea;

namespace zerka {
class DebugViews;
class UiHost;
} // namespace zerka

namespace zerka::gui {

class HexCellGrid;

// Opens the value editor for a request; replaceable so that tests answer for the user.
using HexEditor =
    std::function<HexEditResult(QWidget* parent, QPoint global, const HexEditRequest& request)>;

// Coalesces change notifications into one repaint from the event loop; a direct repaint in the
// meantime makes the queued one unnecessary.
class QueuedRefresh {
  public:
    QueuedRefresh(QObject* owner, std::function<void()> refresh)
        : owner_(owner), refresh_(std::move(refresh)) {}
    void schedule();
    // The repaint has just happened.
    void done() { queued_ = false; }

  private:
    QObject* owner_;
    std::function<void()> refresh_;
    bool queued_ = false;
};

// The base of the grid windows: the title from the text table, the fixed-pitch font, the value
// editor, and one queued repaint for every burst of the model's change notices (edits made
// elsewhere: another window, a file load).
class GridDebugWindow : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    using HexEditor = gui::HexEditor;

    void applyCaptions();
    void setHexEditor(HexEditor editor) { hexEditor_ = std::move(editor); }

  protected:
    GridDebugWindow(Signal<>& modelChanged, TextId caption, QWidget* parent);

    HexEditor hexEditor_;
    QueuedRefresh refresh_{this, [this] { refreshView(); }};

  private:
    TextId caption_;
    ModelSubscription changes_;
};

// Puts `grid` in a frameless scroll area that takes the spare room of `layout`: a window tiled
// smaller than the grid scrolls it rather than cutting it off.
QScrollArea* addScrollingGrid(QWidget* owner, QBoxLayout* layout, QWidget* grid);

} // namespace zerka::gui
