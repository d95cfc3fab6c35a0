#pragma once
// The message log window TZk_ERR ("Message"): the entry texts of the log model; a double click
// or Enter on an entry asks to go to its file and line.
#include "shell/message_log_model.h"

#include <QListWidget>
#include <QWidget>

namespace zerka::gui {

class MessageLogWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MessageLogWindow(MessageLogModel& model, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }

  signals:
    void gotoEntry(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();
    MessageLogModel& model_;
    QListWidget* list_;
};

} // namespace zerka::gui
