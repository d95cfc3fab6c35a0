#include "gui/options/options_dialog.h"

#include "chip/options_model.h"
#include "editor/editor_files.h"
#include "gui/options/editor_font.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QApplication>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <array>
#include <functional>

namespace zerka::gui {

namespace {
// Page buttons in the order of the page strip.
constexpr std::array<OptionsPage, 5> kPages = {OptionsPage::Interface, OptionsPage::Configuration,
                                               OptionsPage::ChipWatch, OptionsPage::DebugTool,
                                               OptionsPage::Calibration};
constexpr std::array<const char*, 5> kPageNames = {"InterSetup", "ConfigSetup", "Chip Watch",
                                                   "Debug Tool", "OSC Calibration"};

int rowOf(OptionsPage page) {
    for (size_t i = 0; i < kPages.size(); ++i)
        if (kPages[i] == page) return int(i);
    return 0;
}

// Watches the dialog for closing, showing and hiding; while it is shown, a second filter on the
// application sees the keys typed in the dialog (engineer mode, Escape).
class DialogEvents : public QObject {
  public:
    DialogEvents(QDialog* dialog, OptionsModel& model, std::function<void()> refresh)
        : QObject(dialog), dialog_(dialog), model_(model), refresh_(std::move(refresh)),
          keys_(this) {
        dialog->installEventFilter(this);
    }
    ~DialogEvents() override { qApp->removeEventFilter(&keys_); }

    // The close button, Escape and the window's close box all close through the model, which
    // may refuse (calibration inputs out of range).
    void tryClose() {
        if (!model_.isOpen() || model_.closeOptions()) {
            dialog_->done(QDialog::Rejected);
            return;
        }
        refresh_();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != dialog_) return false;
        switch (event->type()) {
        case QEvent::Show:
            qApp->installEventFilter(&keys_);
            break;
        case QEvent::Hide:
            qApp->removeEventFilter(&keys_);
            break;
        case QEvent::Close:
            event->ignore();
            tryClose();
            return true;
        default:
            break;
        }
        return false;
    }

  private:
    class Keys : public QObject {
      public:
        explicit Keys(DialogEvents* owner) : owner_(owner) {}

      protected:
        bool eventFilter(QObject* watched, QEvent* event) override {
            // Every new key press is announced by a shortcut override first.
            if (event->type() == QEvent::ShortcutOverride) fresh_ = true;
            if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->window() != owner_->dialog_) return false;
            // A key a child ignored is offered to its parents with the same event: count it
            // once, at the widget that received it first.
            const bool propagated = !fresh_ && event == lastKey_ && lastReceiver_ &&
                                    widget != lastReceiver_ && widget->isAncestorOf(lastReceiver_);
            if (propagated) return false;
            fresh_ = false;
            lastKey_ = event;
            lastReceiver_ = widget;
            auto* key = static_cast<QKeyEvent*>(event);
            for (QChar ch : key->text()) {
                if (ch.unicode() < 0x80) owner_->model_.keyTyped(char(ch.unicode()));
            }
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                owner_->tryClose();
                return true;
            }
            return false;
        }

      private:
        DialogEvents* owner_;
        const QEvent* lastKey_ = nullptr;
        QPointer<QWidget> lastReceiver_;
        bool fresh_ = false;
    };

    QDialog* dialog_;
    OptionsModel& model_;
    std::function<void()> refresh_;
    Keys keys_;
};

} // namespace

struct OptionsDialog::Impl {
    OptionsModel& model;
    OptionsHardwareTools* tools;
    EditorFont font;
    QListWidget* pageList = nullptr;
    QStackedWidget* stack = nullptr;
    std::array<OptionsPageWidget*, 5> pages{};
    QLabel* status = nullptr;
    QPushButton* fontButton = nullptr;
    QPushButton* closeButton = nullptr;
    DialogEvents* events = nullptr;
    Signal<>::Connection engineerConnection = 0;

    Impl(OptionsModel& m, OptionsHardwareTools* t) : model(m), tools(t) {}

    // Every widget follows the model.
    void refresh() {
        const bool programmer = model.ideMode() == IdeMode::Programmer;
        // The calibration page exists only in programmer mode.
        pageList->item(rowOf(OptionsPage::Calibration))->setHidden(!programmer);
        const int row = rowOf(model.visiblePage());
        {
            const QSignalBlocker block(pageList);
            pageList->setCurrentRow(row);
        }
        stack->setCurrentIndex(row);
        for (OptionsPageWidget* page : pages)
            page->refresh();
    }
};

OptionsDialog::OptionsDialog(OptionsModel& model, OptionsHardwareTools* tools, QWidget* parent)
    : QDialog(parent), d_(std::make_unique<Impl>(model, tools)) {
    setObjectName(QStringLiteral("TOption"));
    setModal(true);
    // The debugger must stay reachable, so "Emulate and Debug" is always offered.
    model.controls().PICE.visible = true;

    d_->pageList = new QListWidget(this);
    d_->pageList->setObjectName(QStringLiteral("pages"));
    for (const char* name : kPageNames) {
        auto* item = new QListWidgetItem(QString::fromLatin1(name), d_->pageList);
        item->setSizeHint(QSize(0, d_->pageList->fontMetrics().height() * 2));
    }
    d_->pageList->setFixedWidth(
        d_->pageList->fontMetrics().horizontalAdvance(QStringLiteral("OSC Calibration")) + 48);
    d_->pageList->setAccessibleName(tr("Pages"));

    const auto changed = [this] { d_->refresh(); };
    const auto report = [this](const QString& text) { d_->status->setText(text); };
    const OptionsPageContext context{model, tools, changed, report};
    d_->pages = {new InterfacePage(context, this), new ConfigPage(context, this),
                 new WatchPage(context, this), new DebugToolPage(context, this),
                 new CalibrationPage(context, this)};

    d_->stack = new QStackedWidget(this);
    d_->stack->setObjectName(QStringLiteral("pageStack"));
    for (size_t i = 0; i < d_->pages.size(); ++i) {
        d_->pages[i]->setObjectName(QString::fromLatin1(kPageNames[i]));
        d_->pages[i]->setAccessibleName(QString::fromLatin1(kPageNames[i]));
        d_->stack->addWidget(d_->pages[i]);
    }

    d_->status = new QLabel(this);
    d_->status->setObjectName(QStringLiteral("status"));
    d_->status->setWordWrap(true);
    d_->status->setAccessibleName(tr("Status"));
    QPalette warning = d_->status->palette();
    warning.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
    d_->status->setPalette(warning);

    d_->fontButton = new QPushButton(this);
    d_->fontButton->setObjectName(QStringLiteral("fontButton"));
    d_->fontButton->setAutoDefault(false);
    d_->closeButton = new QPushButton(this);
    d_->closeButton->setObjectName(QStringLiteral("closeButton"));
    d_->closeButton->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(d_->pageList);
    body->addWidget(d_->stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(d_->fontButton);
    buttons->addWidget(d_->status, 1);
    buttons->addWidget(d_->closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(d_->pageList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= int(kPages.size())) return;
        if (kPages[size_t(row)] == d_->model.visiblePage() && d_->model.isOpen()) return;
        d_->status->clear();
        if (!d_->model.showPage(kPages[size_t(row)]) &&
            kPages[size_t(row)] == OptionsPage::DebugTool)
            d_->status->setText(tableText(TextId::ConnectError));
        d_->refresh();
    });
    connect(d_->fontButton, &QPushButton::clicked, this, [this] {
        QFontDialog dialog(toQFont(d_->font), this);
        dialog.setObjectName(QStringLiteral("fontDialog"));
        if (dialog.exec() != QDialog::Accepted) return;
        d_->font = fromQFont(dialog.selectedFont());
        Q_EMIT editorFontChanged();
    });
    d_->events = new DialogEvents(this, model, [this] { d_->refresh(); });
    connect(d_->closeButton, &QPushButton::clicked, this, [this] { d_->events->tryClose(); });

    d_->engineerConnection = model.engineerModeEntered.connect([this] { d_->refresh(); });
    applyCaptions();
    d_->refresh();
}

OptionsDialog::~OptionsDialog() {
    delete d_->events; // no more event filtering once the pages start to go
    d_->model.engineerModeEntered.disconnect(d_->engineerConnection);
}

void OptionsDialog::runModal() {
    d_->model.openOptions();
    d_->status->clear();
    d_->refresh();
    if (QWidget* main = parentWidget()) move(main->frameGeometry().topLeft() + QPoint(40, 40));
    exec();
}

void OptionsDialog::applyCaptions() {
    setWindowTitle(tableText(TextId::MenuOptions));
    setAccessibleName(tableText(TextId::MenuOptions));
    setCaption(d_->closeButton, tableText(TextId::Close));
    setCaption(d_->fontButton, tableText(TextId::Font) + QStringLiteral("..."));
    d_->fontButton->setAccessibleName(tableText(TextId::Font));
    d_->fontButton->setToolTip(tr("Font of the editor and the source view"));
    for (OptionsPageWidget* page : d_->pages)
        page->applyCaptions();
}

void OptionsDialog::setEditorFont(const EditorFont& font) {
    d_->font = font;
}

EditorFont OptionsDialog::editorFont() const {
    return d_->font;
}

} // namespace zerka::gui
