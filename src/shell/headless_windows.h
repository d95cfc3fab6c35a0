#pragma once
// The windows of a session without any (the command line, the adapter, tests): nothing shows,
// every dialog is cancelled, a question is answered No; the checksum panel's last text is kept.
#include "shell/shell_windows.h"

#include <string>

namespace zerka {

class HeadlessWindows : public ShellWindows {
  public:
    SaveAnswer askSaveChanges(const std::string&, bool) override { return SaveAnswer::No; }
    bool askYesCancel(const std::string&) override { return false; }
    void showAsChild(Slot, bool) override {}
    bool isShowing(Slot) const override { return false; }
    std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> saveFileDialog(const FileDialogRequest&) override { return {}; }
    void setTitle(const std::string&) override {}
    void setConnectionPanel(ConnectionPanel) override {}
    void setChecksumPanel(const std::string& text) override { checksum = text; }
    void commandsChanged() override {}
    void closeMainWindow() override {}

    std::string checksum; // the checksum panel's last text
};

} // namespace zerka
