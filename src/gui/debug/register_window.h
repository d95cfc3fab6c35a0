#pragma once
// TZk_Reg2, the register window: the W, PC, cycle and two indirect-pointer panels, the page
// buttons with the bit grid, and the byte and word register grids, drawn from the register
// model (views/register_view.h). Every edit goes through the model to the register-edit path,
// which writes through to the emulator.
// The models first: Qt defines its keyword `emit` as a macro, which core/signal.h uses as a name.
#include "views/register_view.h"

#include "gui/debug/grid_window_parts.h"
#include "gui/debug/popup_choice.h"

#include <array>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace zerka::gui {

class RegisterWindow : public GridDebugWindow {
    Q_OBJECT
  public:
    using Panel = RegisterViewModel::Panel;

    RegisterWindow(DebugViews& views, UiHost& ui, QWidget* parent = nullptr);
    RegisterWindow(RegisterViewModel& model, UiHost& ui, QWidget* parent = nullptr);

    void refreshView() override;
    // The editor font (a fixed-pitch font) for the panels and grids.
    void setCellFont(const QFont& font);
    // The options' language selector: the IND panels' "Modify" item follows it.
    void setLanguage(int language) { language_ = language; }

    // The pop-up menus; replaceable so that tests answer for the user.
    void setPopupChooser(PopupChooser chooser) { chooser_ = std::move(chooser); }

    QLabel* panel(Panel p) const { return panels_[size_t(p)]; }
    QPushButton* pageButton(int page) const { return pages_[size_t(page)]; }
    HexCellGrid* bitGrid() const { return bitGrid_; }
    HexCellGrid* byteGrid() const { return byteGrid_; }
    HexCellGrid* wordGrid() const { return wordGrid_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using M = RegisterViewModel;

    void build();
    // The byte or the word grid: names in the upper row of each pair, values below, each grid
    // on its own part of the model.
    HexCellGrid* addPairGrid(QVBoxLayout* layout, const QString& title, QLabel*& titleLabel,
                             const Cell& (M::*cell)(int, int) const,
                             std::optional<HexEditRequest> (M::*doubleClick)(int, int) const,
                             std::function<bool(int, int, int)> key,
                             std::optional<std::string> (M::*help)(int, int) const);
    void panelClicked(Panel p, QPoint global);
    void edit(const std::optional<HexEditRequest>& request, QPoint global);
    void showHelp(const std::optional<std::string>& text, QPoint global);
    void bitDoubleClicked(int row, int col, QPoint global);
    void updateShapes();
    void updatePanels();
    void updatePages();

    RegisterViewModel& model_;
    std::array<QLabel*, RegisterViewModel::kPanelCount> panels_{};
    std::array<CellRole, RegisterViewModel::kPanelCount> panelRoles_{};
    std::array<QPushButton*, RegisterViewModel::kPages> pages_{};
    int shownPage_ = -1;
    HexCellGrid* bitGrid_ = nullptr;
    HexCellGrid* byteGrid_ = nullptr;
    HexCellGrid* wordGrid_ = nullptr;
    QLabel* byteTitle_ = nullptr;
    QLabel* wordTitle_ = nullptr;
    PopupChooser chooser_;
    int language_ = 0;
};

} // namespace zerka::gui
