#include "gui/options/option_widgets.h"

#include "uitext/text_id.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStringDecoder>

namespace zerka::gui {

QString textOf(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError()) return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return text;
}

QString tableText(TextId entry) {
    return textOf(TextOf(entry));
}

namespace {
void syncCommon(QWidget* w, const OptionControl& c) {
    w->setEnabled(c.enabled);
    w->setVisible(c.visible);
}
} // namespace

void syncWidget(QAbstractButton* w, const CheckControl& c) {
    const QSignalBlocker block(w);
    w->setChecked(c.checked);
    syncCommon(w, c);
}

void syncWidget(QGroupBox* w, const OptionControl& c) {
    syncCommon(w, c);
}

void syncWidget(QComboBox* w, const ChoiceControl& c) {
    const QSignalBlocker block(w);
    bool same = w->count() == int(c.items.size());
    for (int i = 0; same && i < w->count(); ++i)
        same = w->itemText(i) == textOf(c.items[size_t(i)]);
    if (!same) {
        w->clear();
        for (const std::string& item : c.items)
            w->addItem(textOf(item));
    }
    w->setCurrentIndex(c.itemIndex >= 0 && c.itemIndex < w->count() ? c.itemIndex : -1);
    syncCommon(w, c);
}

void syncWidget(QLineEdit* w, const EditControl& c) {
    const QSignalBlocker block(w);
    // Rewriting an unchanged text would move the caret while the user types.
    if (w->text() != textOf(c.text)) w->setText(textOf(c.text));
    syncCommon(w, c);
}

void setCaption(QAbstractButton* w, const QString& caption) {
    w->setText(caption);
    w->setAccessibleName(caption);
}

void setCaption(QGroupBox* w, const QString& caption) {
    w->setTitle(caption);
    w->setAccessibleName(caption);
}

void setCaption(QLabel* w, const QString& caption) {
    w->setText(caption);
    w->setAccessibleName(caption);
}

void acceptHexDigits(QLineEdit* box, int digits) {
    box->setMaxLength(digits);
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,%1}").arg(digits)), box));
}

void nameField(QWidget* field, QLabel* label, const QString& hint) {
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    field->setAccessibleName(name);
    if (!hint.isEmpty()) {
        field->setToolTip(hint);
        field->setAccessibleDescription(hint);
    }
    label->setBuddy(field);
}

} // namespace zerka::gui
