#pragma once
// The one place where the debug views turn a cell role into colours. Each role is chosen against
// the widget's palette (its base and text colours), so the views stay readable on light, dark
// and high-contrast themes: text keeps at least the 4.5:1 contrast of WCAG AA on its background.
#include "views/view_cell.h"

#include <QColor>
#include <QPalette>

namespace zerka::gui {

struct RolePaint {
    QColor text;
    QColor background;
};

// WCAG contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// `wanted` when it is readable on `background`, otherwise the nearest colour on the way to black
// or white that is.
QColor readableOn(const QColor& wanted, const QColor& background, double minimum = 4.5);

// The colours of a cell role on `palette`; `mark` is the background of Marked cells.
RolePaint rolePaint(CellRole role, const QPalette& palette, Rgb mark = colour::kGrey);

// The light row behind the source view's cursor line.
QColor cursorLineColour(const QPalette& palette);
// The faint lines between grid cells.
QColor gridLineColour(const QPalette& palette);

} // namespace zerka::gui
