#pragma once
// A window of debug mode that the main window refreshes after every step and stop.
#include "core/signal.h"

#include <functional>

namespace zerka::gui {

class DebugWindow {
  public:
    virtual ~DebugWindow() = default;
    // Rereads its model (the model was refreshed from the CPU state before) and repaints.
    virtual void refreshView() = 0;
};

// A window's hold on its model's change notice: the slot is called until the subscription
// goes, so a window that is gone is never called back.
class ModelSubscription {
  public:
    ModelSubscription() = default;
    ModelSubscription(const ModelSubscription&) = delete;
    ModelSubscription& operator=(const ModelSubscription&) = delete;
    ~ModelSubscription() { end(); }

    void follow(Signal<>& signal, std::function<void()> slot) {
        end();
        signal_ = &signal;
        connection_ = signal.connect(std::move(slot));
    }
    void end() {
        if (signal_) signal_->disconnect(connection_);
        signal_ = nullptr;
    }

  private:
    Signal<>* signal_ = nullptr;
    Signal<>::Connection connection_ = 0;
};

} // namespace zerka::gui
