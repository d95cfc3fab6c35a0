#pragma once
// A window of debug mode that the main window refreshes after every step and stop.
namespace zerka::gui {

class DebugWindow {
  public:
    virtual ~DebugWindow() = default;
    // Rereads its model (the model was refreshed from the CPU state before) and repaints.
    virtual void refreshView() = 0;
};

} // namespace zerka::gui
