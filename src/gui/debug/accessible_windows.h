#pragma once
// The accessible tables and panels of each debug window: names, row and column names and what
// every cell says, read from the cells the window paints. Each window calls its installer once
// and announceAccessibleChanges() after each refresh.
#include "gui/debug/accessible_grid.h"

#include <QVariant>

#include <cstdint>

namespace zerka {
class ProgramMemoryViewModel;
class RamViewModel;
class SourceViewModel;
} // namespace zerka

namespace zerka::gui {

class HexCellGrid;
class ProgramMemoryGrid;
class RegisterWindow;
class SourceViewWidget;

// "Data Memory": rows "000".."0F0" of the bank, columns "0".."F"; each cell the text shown, its
// description the address and the byte's hint.
void makeRamGridAccessible(HexCellGrid& grid, const RamViewModel& model);
// The W, PC, cycle and IND panels as named labels; the bit grid (rows by register, cells by bit
// name with the bit's value) and the byte and word grids (cells by register name with the value).
void makeRegisterWindowAccessible(RegisterWindow& window);
// "Stack": the status row, then rows "1".."N".
void makeStackGridAccessible(HexCellGrid& grid);
// "Program Memory": one row per shown word, columns mark, addr, code, instruction, data; the
// current address is selected, a breakpoint's mark checked.
void makeProgramMemoryAccessible(ProgramMemoryGrid& grid, const ProgramMemoryViewModel& model);

// The source view's tables are item views already; their rows gain the states a screen reader
// needs: the current line selected, a breakpoint row's mark checked.
void makeSourceViewAccessible(SourceViewWidget& widget, SourceViewModel& model);
// The accessible roles of a source-view cell (row 1..): the description "current line" or
// "breakpoint", and the mark's check state. Nothing for other roles.
QVariant sourceCellAccessibleData(const SourceViewModel& model, int file, int32_t row, int column,
                                  int role);

} // namespace zerka::gui
