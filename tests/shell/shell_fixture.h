#pragma once
// A whole shell without widgets: the shipped chip library, the editor documents, a recording
// main window and a UiHost that answers scripted buttons.
#include "chip/chip_library.h"
#include "chip/options_model.h"
#include "editor/editor_documents.h"
#include "shell/shell.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zerka::test {

// Types `text` over the whole of a document, as a user would: it counts as modified.
inline void typeOver(EditorDocuments& editor, int slot, const std::string& text) {
    TextBuffer& t = editor.text(slot);
    t.replace(0, t.length(), text);
}

// The main window as a record of what the shell asked for.
class RecordingWindows : public ShellWindows {
  public:
    std::set<Slot> showing;
    std::deque<std::optional<std::string>> dialogAnswers; // for open and save dialogs
    std::vector<FileDialogRequest> dialogs;
    std::string title;
    ConnectionPanel panel = ConnectionPanel::NotConnected;
    std::string checksum;
    bool closed = false;
    int waitCells = 0;
    std::string sourceSizeText;
    // The save questions: what was asked (with All offered or not) and the scripted answers.
    std::vector<std::pair<std::string, bool>> questions;
    std::deque<SaveAnswer> saveAnswers;
    bool saveProjectAnswer = false;

    SaveAnswer askSaveChanges(const std::string& text, bool withAll) override {
        questions.push_back({text, withAll});
        if (saveAnswers.empty()) return SaveAnswer::Cancel;
        SaveAnswer a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
    bool askYesCancel(const std::string& text) override {
        questions.push_back({text, false});
        return saveProjectAnswer;
    }
    void showAsChild(Slot slot, bool show) override {
        if (show)
            showing.insert(slot);
        else
            showing.erase(slot);
    }
    bool isShowing(Slot slot) const override { return showing.count(slot) > 0; }
    std::optional<std::string> openFileDialog(const FileDialogRequest& r) override {
        return answer(r);
    }
    std::optional<std::string> saveFileDialog(const FileDialogRequest& r) override {
        return answer(r);
    }
    void setTitle(const std::string& t) override { title = t; }
    void setConnectionPanel(ConnectionPanel p) override { panel = p; }
    void setChecksumPanel(const std::string& t) override { checksum = t; }
    void commandsChanged() override {}
    void waitIndicator(bool visible, int cells) override {
        if (visible) waitCells = cells;
    }
    void closeMainWindow() override { closed = true; }
    void loadSourceView(const AssemblyResult&, const std::string& sizeText) override {
        sourceSizeText = sizeText;
    }

  private:
    std::optional<std::string> answer(const FileDialogRequest& r) {
        dialogs.push_back(r);
        if (dialogAnswers.empty()) return std::nullopt;
        auto a = dialogAnswers.front();
        dialogAnswers.pop_front();
        return a;
    }
};

struct ShownMessage {
    MessageType type;
    std::string text;
    Buttons buttons;
};

class ScriptedUi : public UiHost {
  public:
    std::vector<ShownMessage> messages;
    std::deque<Button> answers;
    std::string status;
    std::vector<std::string> displays;
    bool busyOn = false;

    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override {
        messages.push_back({type, text, buttons});
        if (answers.empty()) return buttons == Buttons::Ok ? Button::Ok : Button::Cancel;
        Button b = answers.front();
        answers.pop_front();
        return b;
    }
    void statusText(const std::string& text) override { status = text; }
    void progress(int) override {}
    void busy(bool on) override { busyOn = on; }
    void deviceDisplay(const std::string& text) override { displays.push_back(text); }
    bool shown(const std::string& text) const {
        for (const ShownMessage& m : messages)
            if (m.text == text) return true;
        return false;
    }
};

// A program folder with the shipped chip library and the examples beside it.
class ShellTest : public ::testing::Test {
  protected:
    ShellTest();

    void makeShell(EmulatorTarget* emulator = nullptr);
    // Copies an example (and the chip description it includes) into the temporary folder.
    std::string example(const std::string& name);
    int chipIndex(const std::string& name) const;

    TempDir dir;
    std::string programDir;
    std::unique_ptr<ChipLibrary> library;
    ChipModel chip;
    std::unique_ptr<OptionsModel> options;
    TZk_UP up;
    EditorDocuments editor;
    MessageLogModel log;
    ScriptedUi ui;
    RecordingWindows windows;
    std::unique_ptr<Shell> shell;
};

} // namespace zerka::test
