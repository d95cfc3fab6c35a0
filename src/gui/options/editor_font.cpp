#include "gui/options/editor_font.h"

namespace zerka::gui {

QFont toQFont(const EditorFont& font) {
    QFont f(QString::fromStdString(font.name));
    if (font.size > 0) f.setPointSize(font.size);
    f.setBold(font.style & 1);
    f.setItalic(font.style & 2);
    f.setUnderline(font.style & 4);
    f.setStrikeOut(font.style & 8);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

EditorFont fromQFont(const QFont& font) {
    EditorFont e;
    e.name = font.family().toStdString();
    e.size = font.pointSize() > 0 ? font.pointSize() : e.size;
    e.style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
              (font.strikeOut() ? 8 : 0);
    return e;
}

} // namespace zerka::gui
