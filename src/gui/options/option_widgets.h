#pragma once
// Binding of Qt widgets to the options model's control records: each sync call writes a
// record's state (checked, selected item, text, enabled, visible) into its widget without
// raising the widget's change signals, so the model stays the one owner of the state.
#include "chip/options_controls.h"
#include "uitext/text_id.h"

#include <QString>

#include <string>
#include <string_view>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace zerka::gui {

// Bytes from the model as text: UTF-8, or Latin-1 when they are not UTF-8.
QString textOf(std::string_view bytes);
// The UI text table's English text of an entry.
QString tableText(TextId entry);

void syncWidget(QAbstractButton* w, const CheckControl& c);
void syncWidget(QGroupBox* w, const OptionControl& c);
void syncWidget(QComboBox* w, const ChoiceControl& c);
void syncWidget(QLineEdit* w, const EditControl& c);

// Caption and accessible name in one step; the name stays even while the text is elided.
void setCaption(QAbstractButton* w, const QString& caption);
void setCaption(QGroupBox* w, const QString& caption);
void setCaption(QLabel* w, const QString& caption);
// Lets a box take at most `digits` hexadecimal digits.
void acceptHexDigits(QLineEdit* box, int digits);
// A field named by its label: the label's buddy gets the label's text as its name.
void nameField(QWidget* field, QLabel* label, const QString& hint = {});

// Record name as object name (tests and desktop tools find widgets by it).
template <typename W> W* named(W* w, const std::string& name) {
    w->setObjectName(QString::fromStdString(name));
    return w;
}

} // namespace zerka::gui
