#pragma once
// The shared editor font as a QFont and back (style bits: 1 bold, 2 italic, 4 underline,
// 8 strike-out).
#include "editor/editor_files.h"

#include <QFont>

namespace zerka::gui {

QFont toQFont(const EditorFont& font);
EditorFont fromQFont(const QFont& font);

} // namespace zerka::gui
