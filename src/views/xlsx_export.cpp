#include "views/xlsx_export.h"

#include "views/view_text.h"

#include <xlsxwriter.h>

#include <system_error>
#include <unistd.h>

namespace zerka {

std::vector<SheetCell> ramSheetCells(const std::vector<int>& values) {
    std::vector<SheetCell> cells;
    const size_t rows = values.size() / 16;
    cells.reserve(rows * 32);
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < 16; ++j) {
            const int v = values[i * 16 + j];
            const uint32_t row = uint32_t(i + 3);
            if (v < 0) {
                cells.push_back({row, uint32_t(j + 3), false, 0, "-"});
                cells.push_back({row, uint32_t(j + 20), false, 0, "-"});
            } else {
                cells.push_back({row, uint32_t(j + 3), true, double(v), {}});
                cells.push_back(
                    {row, uint32_t(j + 20), false, 0, viewtext::hex(uint32_t(v), 2) + "h"});
            }
        }
    return cells;
}

bool writeWorkbook(const std::filesystem::path& path, const std::string& sheetName,
                   const std::vector<SheetCell>& cells, std::string* error) {
    namespace fs = std::filesystem;
    const fs::path temp = path.parent_path() / (path.filename().string() + ".tmp" +
                                                std::to_string(::getpid()) + ".xlsx");
    std::error_code exists;
    if (!path.parent_path().empty() && !fs::is_directory(path.parent_path(), exists)) {
        if (error) *error = "cannot write " + path.string() + ": no such folder";
        return false;
    }
    lxw_workbook* book = workbook_new(temp.c_str());
    if (!book) {
        if (error) *error = "cannot create " + temp.string();
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.c_str());
    bool ok = sheet != nullptr;
    for (const SheetCell& c : cells) {
        if (!ok) break;
        if (c.row == 0 || c.col == 0) continue;
        const lxw_row_t r = c.row - 1;
        const lxw_col_t k = lxw_col_t(c.col - 1);
        const lxw_error e = c.isNumber
                                ? worksheet_write_number(sheet, r, k, c.number, nullptr)
                                : worksheet_write_string(sheet, r, k, c.text.c_str(), nullptr);
        ok = e == LXW_NO_ERROR;
    }
    const lxw_error closed = workbook_close(book);
    std::error_code ec;
    if (!ok || closed != LXW_NO_ERROR) {
        fs::remove(temp, ec);
        if (error)
            *error = std::string("cannot write ") + path.string() + ": " +
                     lxw_strerror(closed != LXW_NO_ERROR ? closed : LXW_ERROR_MEMORY_MALLOC_FAILED);
        return false;
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        if (error) *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

} // namespace zerka
