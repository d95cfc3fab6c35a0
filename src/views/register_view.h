#pragma once
// TZk_Reg2, the register window, without widgets: the five top panels, the four pages of bit
// registers, the byte and word register grids, their change colours, the edit gestures and the
// description menus. It reads the CPU state and writes only through the register-edit path.
#include "core/signal.h"
#include "views/cell_typing.h"
#include "views/edit_request.h"
#include "views/view_cell.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zerka {

struct ViewContext;

class RegisterViewModel {
  public:
    enum class Panel : uint8_t { W, Pc, Cycle, Ind0Address, Ind0Value, Ind1Address, Ind1Value };
    static constexpr int kPanelCount = 7;
    static constexpr int kPages = 4;
    static constexpr int kBitColumns = 9;  // name, then bits 7..0
    static constexpr int kGridColumns = 9; // byte and word grids: 9 registers per row pair
    static constexpr const char* kChangeValueItem = "更改儲存值";

    // The bit menu of a double-clicked bit: "<bit>=1" and "<bit>=0".
    struct BitMenu {
        std::string setItem;
        std::string clearItem;
        uint32_t address = 0;
        int bit = 0;
    };
    using DoubleClick = std::variant<std::monostate, HexEditRequest, BitMenu>;

    explicit RegisterViewModel(ViewContext& context);
    ~RegisterViewModel();
    RegisterViewModel(const RegisterViewModel&) = delete;
    RegisterViewModel& operator=(const RegisterViewModel&) = delete;

    // A new chip: grids rebuilt, page 1, no changes marked.
    void chipChanged();
    void Refresh(bool noHighlight = false);

    // --- panels
    const Cell& panel(Panel p) const { return panels_[size_t(p)]; }
    // The items of the panel's click menu.
    std::vector<std::string> panelMenu(Panel p) const;
    std::optional<HexEditRequest> panelMenuChosen(Panel p, int item) const;

    // --- pages and bit grid
    int page() const { return page_; }
    void selectPage(int page);
    // The page button: raised and coloured (yellow, green, red, white) when selected.
    bool pageRaised(int page) const { return page == page_; }
    Rgb pageColour(int page) const;
    int bitRows() const { return int(bitIndex_.size()); }
    Cell bitCell(int row, int col) const;
    DoubleClick bitDoubleClick(int row, int col) const;
    void bitMenuChosen(const BitMenu& menu, bool set);
    std::optional<std::string> bitHelp(int row, int col) const;

    // --- byte and word grids
    int byteRows() const { return rowPairs(byteIndex_.size()) * 2; }
    int wordRows() const { return rowPairs(wordIndex_.size()) * 2; }
    const Cell& byteCell(int row, int col) const;
    const Cell& wordCell(int row, int col) const;
    std::optional<HexEditRequest> byteDoubleClick(int row, int col) const;
    std::optional<HexEditRequest> wordDoubleClick(int row, int col) const;
    std::optional<std::string> byteHelp(int row, int col) const;
    std::optional<std::string> wordHelp(int row, int col) const;
    // Typing in a value cell (at most 2 or 4 digits); Enter or Tab writes it. False: refused.
    bool byteKey(int row, int col, int key);
    bool wordKey(int row, int col, int key);

    void apply(const HexEditRequest& request, uint32_t value);

    // Redraw after Refresh, a page change or a rebuild.
    Signal<>& changed() { return changed_; }

  private:
    static int rowPairs(size_t n) { return int((n + kGridColumns - 1) / kGridColumns); }
    // Index of the register in the grid lists, or -1 for a name row or an empty cell.
    int gridIndex(size_t count, int row, int col) const;
    void rebuildBitRows();
    bool gridKey(bool word, int row, int col, int key);
    uint16_t wordValue(size_t record) const;

    ViewContext& ctx_;
    int page_ = 0;
    std::array<Cell, kPanelCount> panels_;
    std::array<uint32_t, kPanelCount> shown_{}; // panel values at the previous refresh
    bool firstRefresh_ = true;
    std::vector<uint8_t> bitValues_; // per bit register of the catalogue
    std::vector<size_t> bitIndex_;   // catalogue records of the selected page
    std::vector<size_t> byteIndex_;  // named byte registers
    std::vector<size_t> wordIndex_;  // word registers
    std::vector<Cell> byteCells_;    // byteRows() × 9
    std::vector<Cell> wordCells_;    // wordRows() × 9
    CellTyping typing_;
    bool typingWord_ = false;
    Signal<> changed_;
    size_t connection_ = 0;
};

} // namespace zerka
