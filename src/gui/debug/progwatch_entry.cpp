#include "gui/debug/progwatch_entry.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// Every key goes to the entry model, which alone decides what the box shows and when it closes.
class HexDialog : public QDialog {
  public:
    HexDialog(QWidget* parent, HexEntry& entry) : QDialog(parent), entry_(entry) {
        setWindowTitle(QString::fromStdString(entry.caption()));
        setWindowFlag(Qt::WindowStaysOnTopHint);
        auto* layout = new QVBoxLayout(this);
        box_ = new QLineEdit(this);
        box_->setReadOnly(true);
        box_->setFocusPolicy(Qt::NoFocus);
        box_->setAlignment(Qt::AlignRight);
        layout->addWidget(box_);
        auto* digits = new QGridLayout;
        digits->setSpacing(0);
        for (int d = 0; d < 16; ++d) {
            auto* b = new QPushButton(QString::number(d, 16).toUpper(), this);
            b->setFocusPolicy(Qt::NoFocus);
            b->setFixedWidth(32);
            connect(b, &QPushButton::clicked, this,
                    [this, d] { after([&] { entry_.digitButton(d); }); });
            digits->addWidget(b, d / 4, d % 4);
        }
        layout->addLayout(digits);
        auto* buttons = new QDialogButtonBox(this);
        auto* ok = buttons->addButton(QDialogButtonBox::Ok);
        auto* clear = buttons->addButton(QStringLiteral("Clear"), QDialogButtonBox::ResetRole);
        auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
        for (QPushButton* b : {ok, clear, cancel})
            b->setFocusPolicy(Qt::NoFocus);
        connect(ok, &QPushButton::clicked, this, [this] { after([&] { entry_.acceptButton(); }); });
        connect(clear, &QPushButton::clicked, this,
                [this] { after([&] { entry_.clearButton(); }); });
        connect(cancel, &QPushButton::clicked, this,
                [this] { after([&] { entry_.cancelButton(); }); });
        layout->addWidget(buttons);
        auto* status = new QLabel(QString::fromStdString(entry.rangeText()), this);
        status->setFrameShape(QFrame::Panel);
        status->setFrameShadow(QFrame::Sunken);
        layout->addWidget(status);
        setFocusPolicy(Qt::StrongFocus);
    }

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        int key = 0;
        switch (e->key()) {
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
            key = e->text().isEmpty() ? 0 : e->text().at(0).unicode();
        }
        if (key != 0) after([&] { entry_.key(key); });
        e->accept();
    }

  private:
    template <class F> void after(F&& f) {
        f();
        box_->setText(QString::fromStdString(entry_.text()));
        if (entry_.closed()) done(entry_.accepted() ? Accepted : Rejected);
    }

    HexEntry& entry_;
    QLineEdit* box_ = nullptr;
};

} // namespace

void setHexAnswerHook(std::function<void(HexEntry&)> hook) {
    answerHook() = std::move(hook);
}

std::optional<uint32_t> askHex(QWidget* parent, QPoint at, const std::string& limit,
                               const std::string& range, const std::string& caption) {
    HexEntry entry(limit, range, caption);
    if (answerHook()) {
        answerHook()(entry);
    } else {
        HexDialog dialog(parent, entry);
        placeOnScreen(dialog, at);
        dialog.exec();
    }
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
