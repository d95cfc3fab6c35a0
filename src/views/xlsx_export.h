#pragma once
// "Save To excel": the cell layout of the RAM window's workbook, and a small .xlsx writer
// (libxlsxwriter) that writes through a temporary file renamed over the target.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zerka {

struct SheetCell {
    uint32_t row = 0; // 1-based, as the spreadsheet numbers them
    uint32_t col = 0; // 1-based
    bool isNumber = false;
    double number = 0;
    std::string text;
    bool operator==(const SheetCell&) const = default;
};

inline constexpr const char* kRamSheetName = "USER Data";

// Bytes of n div 16 rows of 16 (`values[a]` < 0: not implemented): at row i + 3, column j + 3
// the byte as a number and at column j + 20 the byte as 2 hexadecimal digits and "h", or "-" in
// both cells.
std::vector<SheetCell> ramSheetCells(const std::vector<int>& values);

// Writes a workbook of one worksheet. False (with a reason) when it could not be written.
bool writeWorkbook(const std::filesystem::path& path, const std::string& sheetName,
                   const std::vector<SheetCell>& cells, std::string* error);

} // namespace zerka
