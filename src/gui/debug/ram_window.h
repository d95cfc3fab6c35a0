#pragma once
// TZk_RAM, the RAM window: bank buttons and one 256-byte bank as a 16 × 16 grid with change
// colours, marks and hints, the hover panel, the ".ram" files and the "Save To excel" workbook,
// drawn from the RAM model (views/ram_view.h). Data is written only through the model's
// register-edit path.
// The models first: Qt defines its keyword `emit` as a macro, which core/signal.h uses as a name.
#include "views/ram_view.h"

#include "gui/debug/grid_window_parts.h"
#include "gui/debug/text_input_box.h"

#include <QColor>
#include <QUrl>

#include <array>
#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace zerka::gui {

class RamWindow : public GridDebugWindow {
    Q_OBJECT
  public:
    using TextAsker = std::function<TextInputResult(QWidget* parent, QPoint global)>;
    using ColourChooser = std::function<std::optional<QColor>(QWidget* parent, QColor current)>;
    // Asks for a ".ram" file to open (save = false) or to write; nothing when cancelled.
    using FileChooser = std::function<std::optional<std::string>(QWidget* parent, bool save)>;
    using UrlOpener = std::function<bool(const QUrl& url)>;

    RamWindow(DebugViews& views, UiHost& ui, QWidget* parent = nullptr);
    RamWindow(RamViewModel& model, UiHost& ui, QWidget* parent = nullptr);

    void refreshView() override;
    void setCellFont(const QFont& font);

    // Runs an item of the pop-up menu for the cell at (row, col) of the grid.
    void contextAction(const MenuItem& item, int row, int col);

    // Where "Save To excel" writes its workbooks (a "ZerkaTemp" folder in the temporary
    // location unless set).
    void setExportFolder(const std::string& folder) { exportFolder_ = folder; }
    // The workbook written by the last "Save To excel" (empty before).
    const std::string& lastWorkbook() const { return lastWorkbook_; }

    // The dialogs and the desktop's "open with the default application"; replaceable so that
    // tests answer for the user.
    void setTextAsker(TextAsker f) { textAsker_ = std::move(f); }
    void setColourChooser(ColourChooser f) { colourChooser_ = std::move(f); }
    void setFileChooser(FileChooser f) { fileChooser_ = std::move(f); }
    void setUrlOpener(UrlOpener f) { urlOpener_ = std::move(f); }

    HexCellGrid* grid() const { return grid_; }
    QPushButton* bankButton(int bank) const { return banks_[size_t(bank)]; }
    QLabel* hoverPanel() const { return hover_; }
    // Shows the hover panel for a cell as the mouse would.
    void hoverCell(int row, int col);

  private:
    void build();
    void updateBanks();
    void showContextMenu(int row, int col, QPoint global);
    void editCell(int row, int col, QPoint global);
    bool confirm(const std::string& question);
    void loadRamData();
    void saveRamData();
    void saveToExcel();

    RamViewModel& model_;
    UiHost& ui_;
    HexCellGrid* grid_ = nullptr;
    std::array<QPushButton*, RamViewModel::kBanks> banks_{};
    std::array<int, RamViewModel::kBanks> bankLook_{}; // 0 hidden, 1 shown, 2 selected
    QLabel* hover_ = nullptr;
    int hoverRow_ = -1;
    int hoverCol_ = -1;
    TextAsker textAsker_;
    ColourChooser colourChooser_;
    FileChooser fileChooser_;
    UrlOpener urlOpener_;
    std::string exportFolder_;
    std::string lastWorkbook_;
};

} // namespace zerka::gui
