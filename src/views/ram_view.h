#pragma once
// TZk_RAM, the RAM window, without widgets: one 256-byte bank as a 16 × 16 grid with row and
// column headings, change colours, marks and hints, the edit rules, the hover text, the ".ram"
// file and the "Save To excel" workbook. Data is written only through the register-edit path.
#include "chip/chip_model.h"
#include "core/signal.h"
#include "views/cell_typing.h"
#include "views/edit_request.h"
#include "views/hex_entry.h"
#include "views/menu_item.h"
#include "views/ram_file.h"
#include "views/view_cell.h"
#include "views/view_symbol.h"
#include "views/xlsx_export.h"

#include <array>
#include <bitset>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zerka {

struct ViewContext;

class RamViewModel {
  public:
    static constexpr int kRows = 17;
    static constexpr int kColumns = 17;
    static constexpr int kBanks = 16;
    static constexpr uint32_t kDefaultMarkColour = 0x808080;
    static constexpr const char* kResetAllMarkQuestion = "Are you sure to reset all mark?";
    static constexpr const char* kResetAllHintQuestion = "Are you sure to reset all Hint?";
    static constexpr const char* kFileFilter = "*.ram|*.ram";

    explicit RamViewModel(ViewContext& context);
    ~RamViewModel();
    RamViewModel(const RamViewModel&) = delete;
    RamViewModel& operator=(const RamViewModel&) = delete;

    // A new chip: the bank buttons and the layout size change.
    void chipChanged();
    void Refresh(bool noHighlight = false);

    // --- banks
    int bank() const { return bank_; }
    void selectBank(int bank);
    // Only the banks of the chip's RAM layout have a button.
    bool bankShown(int bank) const;
    bool bankRaised(int bank) const { return bank == bank_; } // drawn raised in yellow

    // --- grid
    const Cell& cell(int row, int col) const;
    // The address of a data cell (rows and columns 1..16), or nothing for headings.
    std::optional<uint32_t> addressAt(int row, int col) const;
    // Editing is off while the target runs.
    bool editable() const;
    // A key typed in a data cell; false when it is refused. Enter or Tab writes the cell.
    bool key(int row, int col, int key);
    // Moving to another cell or leaving the window writes a cell that is being edited.
    void leaveCell();
    std::optional<HexEditRequest> doubleClick(int row, int col) const;
    void apply(const HexEditRequest& request, uint32_t value);

    // The pop-up menu: marks, hints, files, the workbook and the sixteen bank items.
    std::vector<MenuItem> contextMenu() const;
    // Asked before "Save RAM Data" replaces a file.
    static std::string overwriteQuestion(const std::string& fileName) {
        return "File " + fileName + " exist! Overwrite?";
    }

    // --- marks and hints (implemented addresses only)
    Rgb markColour() const { return Rgb::fromValue(markColour_); }
    void setMarkColour(Rgb colour) { markColour_ = colour.value(); }
    bool setMark(int row, int col);
    bool resetMark(int row, int col);
    void resetAllMarks();
    bool setHint(int row, int col, const std::string& text);
    bool resetHint(int row, int col);
    void resetAllHints();
    const RamAnnotation& annotation(uint32_t address) const { return notes_.at(address); }
    // After a build: data symbols ("D", "d") name their bytes.
    void applySymbolHints(std::span<const ViewSymbol> symbols);

    // --- hover panel
    // "<" offset ">" and, with a hint, ": " and the hint; empty outside the data cells.
    std::string hoverText(int row, int col) const;
    // Where the hover panel goes for a cell at (cellLeft, cellBottom) in a window of that size.
    static ScreenPoint hoverPosition(int cellLeft, int cellBottom, int windowWidth,
                                     int windowHeight);

    // --- files
    // Bytes of the chip's RAM layout (the emulator transfer size).
    uint32_t layoutBytes() const;
    RamFileData fileData() const;
    bool saveRam(const std::filesystem::path& path, std::string* error) const;
    // Nothing changes when the file is not a ".ram" file of this layout.
    bool loadRam(const std::filesystem::path& path, std::string* error);
    void applyFileData(const RamFileData& data);
    std::vector<SheetCell> sheetCells() const;
    bool saveExcel(const std::filesystem::path& path, std::string* error) const;

    Signal<>& changed() { return changed_; }

  private:
    bool editNote(int row, int col, const std::function<void(RamAnnotation&)>& edit);
    std::string cellText(uint32_t address) const;
    void findRegisterAddresses();
    void fillHeadings();

    ViewContext& ctx_;
    int bank_ = 0;
    uint32_t markColour_ = kDefaultMarkColour;
    std::array<Cell, kRows * kColumns> cells_;
    std::array<RamAnnotation, 4096> notes_;
    std::bitset<kDataAddressCount> registerOwned_; // addresses the register window tracks
    CellTyping typing_;
    Signal<> changed_;
    size_t connection_ = 0;
    bool loading_ = false;
};

} // namespace zerka
