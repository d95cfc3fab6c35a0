#pragma once
// One tab of the source view: a source file's rows with tabs expanded, and per row the program
// address, the macro record and the breakpoint mark. The rows share one text buffer so that
// 100 files of 131,072 rows load without a string per row.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr int32_t kMaxSourceRows = 131072;
inline constexpr uint32_t kNoRowAddress = 0xFFFFF;
inline constexpr int kSourceTabWidth = 6;

// A line with every tab widened to the next multiple of 6 columns (a tab at a multiple of 6
// adds 6).
std::string expandTabs(std::string_view line);

class SourceFile {
  public:
    // Reads the file; one that cannot be read leaves a single empty row. Rows beyond
    // kMaxSourceRows are not kept.
    explicit SourceFile(std::string path);
    // The rows of `text` (for tests and benchmarks without files).
    SourceFile(std::string path, std::string_view text);

    const std::string& path() const { return path_; }
    // The file name without its folder (the tab caption).
    const std::string& caption() const { return caption_; }
    bool readable() const { return readable_; }

    int32_t rows() const { return int32_t(address_.size()); }
    // The longest row in characters (for the horizontal extent of the view).
    size_t widestRow() const { return widest_; }
    bool validRow(int32_t row) const { return row >= 1 && row <= rows(); }
    // Rows are 1-based.
    std::string_view text(int32_t row) const;
    uint32_t address(int32_t row) const { return address_[size_t(row - 1)]; }
    uint32_t record(int32_t row) const { return record_[size_t(row - 1)]; }
    void setAddress(int32_t row, uint32_t value) { address_[size_t(row - 1)] = value; }
    void setRecord(int32_t row, uint32_t value) { record_[size_t(row - 1)] = value; }
    // A row without an address and without a macro record ("-" in the mark field): it can
    // carry neither a breakpoint nor a value hint.
    bool noCode(int32_t row) const { return address(row) > kNoRowAddress - 1 && record(row) == 0; }
    bool breakpoint(int32_t row) const { return breakpoint_[size_t(row - 1)] != 0; }
    void setBreakpoint(int32_t row, bool on) { breakpoint_[size_t(row - 1)] = on ? 1 : 0; }

  private:
    void split(std::string_view text);

    std::string path_;
    std::string caption_;
    bool readable_ = true;
    size_t widest_ = 0;
    std::string buffer_;          // every row's text back to back
    std::vector<uint32_t> start_; // row i (0-based) is buffer_[start_[i], start_[i + 1])
    std::vector<uint32_t> address_;
    std::vector<uint32_t> record_;
    std::vector<uint8_t> breakpoint_;
};

} // namespace zerka
