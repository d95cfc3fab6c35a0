#include "gui/debug/hex_editor_popup.h"

#include "uitext/text_id.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace zerka::gui {

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 4;
constexpr int kButtonWidth = 34;
constexpr int kButtonHeight = 26;
constexpr int kEditHeight = 26;
constexpr int kStatusHeight = 20;
QString text(TextId entry, int language) {
    return QString::fromStdString(TextOfLanguage(entry, language == 1 ? 1 : 0));
}

QPushButton* makeButton(QWidget* parent, const QString& caption, QRect geometry) {
    auto* b = new QPushButton(caption, parent);
    // The editor takes every key itself; buttons never hold the focus.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    b->setGeometry(geometry);
    return b;
}

} // namespace

HexEditorPopup::HexEditorPopup(const std::string& limit, const std::string& rangeText,
                               const std::string& caption, int language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      entry_(limit, rangeText, caption) {
    setWindowTitle(QString::fromStdString(caption));
    setModal(true);
    const int gridWidth = 4 * kButtonWidth;

    edit_ = new QLineEdit(this);
    edit_->setReadOnly(true);
    edit_->setFocusPolicy(Qt::NoFocus);
    edit_->setAlignment(Qt::AlignRight);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(mono.pointSizeF() * 1.3);
    edit_->setFont(mono);
    edit_->setGeometry(kMargin, kMargin, gridWidth, kEditHeight);

    const int gridTop = kMargin + kEditHeight + kGap;
    for (int d = 0; d < 16; ++d) {
        const QRect at(kMargin + (d % 4) * kButtonWidth, gridTop + (d / 4) * kButtonHeight,
                       kButtonWidth, kButtonHeight);
        digits_[size_t(d)] = makeButton(this, QString::number(d, 16).toUpper(), at);
        connect(digits_[size_t(d)], &QPushButton::clicked, this, [this, d] {
            entry_.digitButton(d);
            sync();
        });
    }
    const int acceptTop = gridTop + 4 * kButtonHeight + kGap;
    accept_ = makeButton(this, text(TextId::HexAccept, language),
                         {kMargin, acceptTop, gridWidth, kButtonHeight});
    const int lowTop = acceptTop + kButtonHeight + kGap;
    clear_ = makeButton(this, text(TextId::HexClear, language),
                        {kMargin, lowTop, 2 * kButtonWidth, kButtonHeight});
    cancel_ = makeButton(this, text(TextId::HexCancel, language),
                         {kMargin + 2 * kButtonWidth, lowTop, 2 * kButtonWidth, kButtonHeight});
    connect(accept_, &QPushButton::clicked, this, [this] {
        entry_.acceptButton();
        sync();
    });
    connect(clear_, &QPushButton::clicked, this, [this] {
        entry_.clearButton();
        sync();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        entry_.cancelButton();
        sync();
    });

    const int width = kMargin + gridWidth + kMargin;
    const int statusTop = lowTop + kButtonHeight + kMargin;
    status_ = new QLabel(QString::fromStdString(rangeText), this);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setGeometry(0, statusTop, width, kStatusHeight);
    setFixedSize(width, statusTop + kStatusHeight);
    setFocusPolicy(Qt::StrongFocus);
}

void HexEditorPopup::sync() {
    edit_->setText(QString::fromStdString(entry_.text()));
    edit_->setCursorPosition(int(entry_.text().size()));
    if (!entry_.closed()) return;
    if (entry_.accepted())
        QDialog::accept();
    else
        QDialog::reject();
}

bool HexEditorPopup::event(QEvent* event) {
    // Tab and the other navigation keys would move the focus; the editor consumes every key.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QDialog::event(event);
}

void HexEditorPopup::keyPressEvent(QKeyEvent* event) {
    event->accept();
    int key = 0;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = HexEntry::kEnter;
        break;
    case Qt::Key_Escape:
        key = HexEntry::kEscape;
        break;
    case Qt::Key_Backspace:
        key = HexEntry::kBackspace;
        break;
    default:
        if (event->text().size() == 1 && event->text().at(0).unicode() < 128)
            key = event->text().at(0).unicode();
        break;
    }
    if (key == 0) return;
    entry_.key(key);
    sync();
}

void HexEditorPopup::reject() {
    if (!entry_.closed()) entry_.cancelButton();
    QDialog::reject();
}

void HexEditorPopup::placeAt(QPoint at) {
    requested_ = at;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
    const QRect frame = frameGeometry();
    const QSize size = frame.size().expandedTo(this->size());
    const ScreenPoint place =
        placeInsideScreen({at.x() - area.x(), at.y() - area.y()}, size.width(), size.height(),
                          area.width(), area.height());
    // A window's position is that of its frame.
    move(area.x() + place.x, area.y() + place.y);
}

void HexEditorPopup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The frame is known now: place again so that it ends inside the screen.
    placeAt(requested_);
}

HexEditResult editHexValue(QWidget* parent, QPoint at, const std::string& limit,
                           const std::string& rangeText, const std::string& caption, int language) {
    HexEditorPopup popup(limit, rangeText, caption, language, parent);
    popup.placeAt(at);
    popup.exec();
    const HexEntry& e = popup.entry();
    return {e.accepted(), e.accepted() ? e.value() : 0};
}

} // namespace zerka::gui
