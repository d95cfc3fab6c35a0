#pragma once
// Small helpers of the editor's widgets: table texts as QString and dialog placement.
#include "uitext/text_id.h"

#include <QString>

class QWidget;

namespace zerka::gui {

inline QString qtext(TextId entry) {
    return QString::fromStdString(TextOf(entry));
}

// Centres `dialog` over `over` (or its screen), kept inside the screen's available area.
void placeCentred(QWidget& dialog, QWidget* over);

} // namespace zerka::gui
