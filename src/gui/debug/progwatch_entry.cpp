#include "gui/debug/progwatch_entry.h"
#include "gui/debug/hex_editor_popup.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

namespace zerka::gui::progwatch {

namespace {

std::function<void(HexEntry&)>& answerHook() {
    static std::function<void(HexEntry&)> hook;
    return hook;
}

void placeOnScreen(QWidget& w, QPoint at) {
    w.adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const ScreenPoint p = placeInsideScreen({at.x(), at.y()}, w.width(), w.height(),
                                            area.right() + 1, area.bottom() + 1);
    w.move(p.x, p.y);
}

} // namespace

void setHexAnswerHook(std::function<void(HexEntry&)> hook) {
    answerHook() = std::move(hook);
}

std::optional<uint32_t> askHex(QWidget* parent, QPoint at, const std::string& limit,
                               const std::string& range, const std::string& caption) {
    if (!answerHook()) {
        // The one hexadecimal pop-up editor of the debug windows.
        const HexEditResult r = editHexValue(parent, at, limit, range, caption);
        if (!r.accepted) return std::nullopt;
        return r.value;
    }
    HexEntry entry(limit, range, caption);
    answerHook()(entry);
    if (!entry.accepted()) return std::nullopt;
    return entry.value();
}

std::optional<std::string> askText(QWidget* parent, QPoint at, TextInput& input) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromLatin1(TextInput::kCaption));
    auto* layout = new QVBoxLayout(&dialog);
    auto* field = new QLineEdit(QString::fromStdString(input.text()), &dialog);
    field->selectAll();
    layout->addWidget(field);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    placeOnScreen(dialog, at);
    input.open();
    field->setFocus();
    const bool ok = dialog.exec() == QDialog::Accepted;
    input.setText(field->text().toStdString());
    ok ? input.ok() : input.cancel();
    if (!ok) return std::nullopt;
    return input.text();
}

} // namespace zerka::gui::progwatch
