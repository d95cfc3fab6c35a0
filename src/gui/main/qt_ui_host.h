#pragma once
// UiHost on Qt: message boxes with the described type and buttons, the status line's main
// panel and the busy indicator of the toolbar strip (35 pixels while busy, 10 when idle).
#include "core/ui_host.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace zerka::gui {

class QtUiHost : public UiHost {
  public:
    void setWidgets(QWidget* parent, QLabel* status, QWidget* busyIndicator) {
        parent_ = parent;
        status_ = status;
        busy_ = busyIndicator;
    }
    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override;
    void statusText(const std::string& text) override;
    void progress(int) override {}
    void busy(bool on) override;

  private:
    QPointer<QWidget> parent_;
    QPointer<QLabel> status_;
    QPointer<QWidget> busy_;
};

} // namespace zerka::gui
