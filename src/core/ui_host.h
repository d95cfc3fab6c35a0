#pragma once
// How core code talks to the user: message boxes, status texts, progress, the busy indicator
// and the device display. The GUI implements it with dialogs, the command line on stderr, tests
// with a recorder that answers scripted buttons.
#include <functional>
#include <string>

namespace zerka {

enum class MessageType { Error, Warning, Information, Confirmation };

// Button sets and pressed buttons of message boxes.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, Cancel };
enum class Button { Ok, Cancel, Yes, No, Retry };

class UiHost {
public:
    virtual ~UiHost() = default;
    virtual Button messageBox(MessageType type, const std::string& text, Buttons buttons) = 0;
    virtual void statusText(const std::string& text) = 0;
    virtual void progress(int percent) = 0;
    virtual void busy(bool on) = 0;
    virtual void deviceDisplay(const std::string& /*text*/) {}
};

// Let pending window messages through during long operations (no-op outside the GUI).
using YieldHook = std::function<void()>;

} // namespace zerka
