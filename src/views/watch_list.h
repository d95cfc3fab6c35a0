#pragma once
// TZk_WATCH, the watch window, without widgets: the copy of the symbol table, the watched rows
// with their values in four display modes, byte and bit watches, the add/remove dialog's two
// lists, the edit dialog's apply step and the ".pro" watch-list file.
#include "core/signal.h"
#include "views/menu_item.h"
#include "views/view_cell.h"
#include "views/view_symbol.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

struct ViewContext;

// One row of the symbol table copy (the texts of the grid's seven columns and the list flag).
struct WatchEntry {
    std::string name;
    std::string address;  // 3 hexadecimal digits; bit watch: "02B[7]"
    std::string value;    // the value column
    std::string referred; // bit watch: the referred symbol ("" when an address was typed)
    std::string reserve = "0";
    std::string length; // byte watch: 2 hexadecimal digits; bit watch: the referred address
    std::string type;   // byte watch: the type letter; bit watch: the bit number
    char list = 'R';    // 'A' in the watch list
    // The numbers behind the texts.
    int32_t symbolValue = 0;
    int32_t symbolLength = 0;
    char kind = 0;
    bool bitWatch = false;
    uint32_t referredAddress = 0;
    int bit = 0;
};

enum class WatchMode : uint8_t { HexHighLow, HexLowHigh, DecHighLow, DecLowHigh };

class WatchListModel {
  public:
    static constexpr int kColumns = 7;
    static constexpr const char* kDeleteAllQuestion = "Delete All Watches?";
    static constexpr const char* kClearAllQuestion = "Clear All Properties?";
    static constexpr const char* kFileFilter = "*.pro|*.pro|*.*|*.*";
    // Data symbols show at most this many bytes (the cell is a few digits wide).
    static constexpr int32_t kMaxShownBytes = 64;

    enum class EditOutcome { Applied, Beeped, Error };
    struct EditResult {
        EditOutcome outcome = EditOutcome::Applied;
        std::string message; // Error: "Refered Address ... is error!"
    };

    explicit WatchListModel(ViewContext& context);

    // After a build: the list is emptied and the copy rebuilt; symbols of type "A" start in it.
    void setSymbols(std::span<const ViewSymbol> symbols);
    const std::vector<WatchEntry>& symbols() const { return entries_; }
    const WatchEntry* find(std::string_view name) const;

    // --- grid
    // The header row and one row per watched symbol; at least one empty row below the header.
    int rows() const { return 1 + std::max<int>(1, int(watched_.size())); }
    int watchedCount() const { return int(watched_.size()); }
    const WatchEntry* watchedEntry(int row) const;
    Cell cell(int row, int col) const;
    int columnWidth(int col) const;
    bool addressHidden() const { return hideAddress_; }
    void toggleHideAddress();
    WatchMode mode() const { return mode_; }
    void setMode(WatchMode mode);
    // Double-click on the value heading: the next mode.
    void nextMode();
    static const char* modeHeading(WatchMode mode);
    void Refresh();

    // The grid's pop-up menu ("Edit Watch" and "Delete Watch" need a watched row).
    std::vector<MenuItem> contextMenu() const;

    // --- the watch list
    bool add(std::string_view name);
    bool remove(std::string_view name);
    void removeAll();
    void moveAllIn();
    // The add/remove dialog's boxes, sorted: the watch list, and the other offered symbols
    // (types "C", "D", "R", "c", "d", "r").
    std::vector<std::string> watchListBox() const;
    std::vector<std::string> otherBox() const;

    // --- edit dialog
    // The apply step: "Normal" (bit = false) or "Bit" with the referred address or symbol name.
    EditResult applyEdit(std::string_view name, bool bit, std::string_view referred, char list);
    // Every bit watch back to a byte watch.
    void clearAllProperties();

    // --- ".pro" file
    std::string proText() const;
    // Applies each line naming a symbol of the copy; returns the messages of lines that failed.
    std::vector<std::string> loadProText(std::string_view text);
    bool savePro(const std::filesystem::path& path, std::string* error) const;
    // A missing file is ignored.
    std::vector<std::string> loadPro(const std::filesystem::path& path);

    Signal<>& changed() { return changed_; }

  private:
    WatchEntry* findEntry(std::string_view name);
    void makeByteWatch(WatchEntry& e);
    void setListed(WatchEntry& e, bool listed);
    void refreshEntry(WatchEntry& e);

    ViewContext& ctx_;
    std::vector<WatchEntry> entries_;
    std::vector<size_t> watched_; // grid rows: indexes into entries_
    WatchMode mode_ = WatchMode::HexHighLow;
    bool hideAddress_ = false;
    Signal<> changed_;
};

// The edit dialog (TZk_WCHEDIT) around the apply step: the choice, the referred field, Apply,
// Restore and the "Modified" label.
class WatchEditDialog {
  public:
    WatchEditDialog(WatchListModel& list, std::string_view name);
    const std::string& name() const { return name_; }
    std::string valueText() const;
    bool bit() const { return bit_; }
    const std::string& referred() const { return referred_; }
    bool referredEnabled() const { return bit_; }
    bool modified() const;
    // Choosing "Bit" for a symbol whose value is not a bit number beeps (false) and stays "Normal".
    bool chooseBit(bool bit);
    void setReferred(std::string text) { referred_ = std::move(text); }
    // Double-click, Space or Enter on a name of the symbol list.
    void pickSymbol(std::string_view name) { referred_ = std::string(name); }
    WatchListModel::EditResult apply();
    void restore();

  private:
    WatchListModel& list_;
    std::string name_;
    bool bit_ = false;
    std::string referred_ = "000";
    bool openBit_ = false;
    std::string openReferred_ = "000";
};

} // namespace zerka
