#include "gui/main/message_log_window.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace zerka::gui {

MessageLogWindow::MessageLogWindow(MessageLogModel& model, QWidget* parent)
    : QWidget(parent), model_(model), list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("TZk_ERR"));
    setWindowTitle(QStringLiteral("Message"));
    setAccessibleName(QStringLiteral("Message"));
    list_->setObjectName(QStringLiteral("ErrView"));
    list_->setAccessibleName(QStringLiteral("Message"));
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    setMinimumSize(200, 100);
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit gotoEntry(list_->row(item)); });
    model_.changed.connect([this] { refresh(); });
    refresh();
}

bool MessageLogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            list_->currentRow() >= 0) {
            emit gotoEntry(list_->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MessageLogWindow::refresh() {
    list_->clear();
    for (const LogEntry& e : model_.entries())
        list_->addItem(QString::fromStdString(e.text));
}

} // namespace zerka::gui
