#pragma once
// The UiHost of a command without a window: each message goes to stderr after the command's
// prefix ("zerka build: "), and a question is answered with its safe choice, since nobody is
// there to press a button.
#include "core/ui_host.h"

#include <ostream>
#include <string>

namespace zerka::cli {

class StderrUi : public UiHost {
  public:
    StderrUi(std::ostream& err, const char* prefix) : err_(err), prefix_(prefix) {}
    Button messageBox(MessageType, const std::string& text, Buttons buttons) override {
        err_ << prefix_ << text << '\n';
        return buttons == Buttons::Ok ? Button::Ok : Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}

  private:
    std::ostream& err_;
    const char* prefix_;
};

} // namespace zerka::cli
