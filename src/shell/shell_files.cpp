// Saving modified files, the file commands and projects.
#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/text.h"
#include "shell/shell.h"

#include <filesystem>

namespace zerka {

namespace fs = std::filesystem;

namespace {

bool untitled(const std::string& path) {
    return toUpperAscii(fs::path(path).filename().string()).rfind("~NEW", 0) == 0;
}

// A name typed without any "." gets ".asm".
std::string withAsmExtension(const std::string& path) {
    return path.find('.') == std::string::npos ? path + ".asm" : path;
}

constexpr const char* kSourceFilter = "*.asm|*.asm|*.inc|*.inc|*.*|*.*";

} // namespace

void Shell::setFileCommands(bool on) {
    for (Command c : kFileDependentCommands)
        cmd_.enable(c, on);
    if (on && p_.options.ideMode() == IdeMode::Programmer) cmd_.enable(Command::AssembleRun, false);
    if (!on) {
        cmd_.enable(Command::Message, false);
        s_.mainFile.clear();
    }
    changed();
}

void Shell::filesOpened() {
    if (p_.editor.slotCount() == 0) return;
    p_.windows.showAsChild(Slot::Editor, true);
    setFileCommands(true);
    if (s_.mainFile.empty() && p_.editor.slotCount() == 1) SetMainFile(p_.editor.pathOf(1));
}

void Shell::refreshViewMenu() {
    cmd_.enable(Command::ViewEdit, p_.editor.slotCount() > 0 && !s_.commandLineStart);
    changed();
}

bool Shell::SaveModifiedFiles(const std::string& filter, bool force) {
    EditorFiles& e = p_.editor;
    const int active = e.currentSlot();
    if (active == 0) return true;
    const bool editorShowing = p_.windows.isShowing(Slot::Editor);
    p_.windows.showAsChild(Slot::Editor, false);
    bool all = force;
    for (int slot = 1; slot <= e.slotCount(); ++slot) {
        e.select(slot);
        const std::string name = e.pathOf(slot);
        if (!filter.empty() && !equalsIgnoreCase(name, filter)) continue;
        if (!e.isModified(slot)) continue;
        if (!all) {
            const SaveAnswer b =
                p_.windows.askSaveChanges("Save changes to " + name + "?", filter.empty());
            if (b == SaveAnswer::Cancel) return false;
            if (b == SaveAnswer::No) continue;
            if (b == SaveAnswer::All) all = true;
        }
        if (untitled(name)) {
            auto chosen = p_.windows.saveFileDialog({kSourceFilter, ".asm", s_.dialogDir});
            if (chosen && !e.saveAs(slot, withAsmExtension(*chosen)))
                message(MessageType::Error, "Can not save " + withAsmExtension(*chosen),
                        Buttons::Ok);
        } else if (!e.saveAs(slot, name)) {
            message(MessageType::Error, "Can not save " + name, Buttons::Ok);
        }
    }
    if (active <= e.slotCount()) {
        e.select(active);
        s_.currentFile = e.pathOf(active);
    }
    if (editorShowing) p_.windows.showAsChild(Slot::Editor, true);
    return true;
}

void Shell::newFile() {
    p_.windows.showAsChild(Slot::Editor, true);
    if (p_.editor.slotCount() < kMaxEditorSlots && p_.editor.newFile()) {
        s_.currentFile.clear();
        setFileCommands(true);
    } else {
        p_.windows.bringToFront();
        p_.log.AddEntry("", 0, "max number of edited file: " + std::to_string(kMaxEditorSlots));
        p_.windows.showAsChild(Slot::Log, true);
    }
}

void Shell::save(bool saveAs) {
    EditorFiles& e = p_.editor;
    const int slot = e.currentSlot();
    if (slot == 0) return;
    const std::string name = e.pathOf(slot);
    if (saveAs || untitled(name)) {
        auto chosen = p_.windows.saveFileDialog({kSourceFilter, ".asm", s_.dialogDir});
        if (chosen) {
            s_.currentFile = withAsmExtension(*chosen);
            if (e.slotCount() == 1) SetMainFile(s_.currentFile);
        } else {
            s_.currentFile.clear();
        }
    } else {
        s_.currentFile = name;
    }
    if (!s_.currentFile.empty() && !e.saveAs(slot, s_.currentFile))
        message(MessageType::Error, "Can not save " + s_.currentFile, Buttons::Ok);
}

void Shell::saveAll() {
    SaveModifiedFiles("", true);
}

void Shell::closeFile() {
    EditorFiles& e = p_.editor;
    const int slot = e.currentSlot();
    if (slot == 0) return;
    // A cancelled prompt keeps the file open: closing it would lose the edit.
    if (!SaveModifiedFiles(e.pathOf(slot), false)) return;
    e.closeCurrent();
    if (e.slotCount() == 0) setFileCommands(false);
}

void Shell::closeAll() {
    if (!SaveModifiedFiles("", false)) return;
    p_.editor.closeAll();
    setFileCommands(false);
}

void Shell::openProject() {
    auto path = p_.windows.openFileDialog({"*.prj|*.prj|*.*|*.*", ".prj", s_.dialogDir});
    if (path) openProjectFile(*path);
    SelectTarget(s_.simulatorMode);
    applyCaptions();
    ApplyIdeMode();
}

bool Shell::openProjectFile(const std::string& path) {
    EnterEditMode(true);
    if (!SaveModifiedFiles("", false)) return false;
    p_.editor.closeAll();
    setFileCommands(false);
    ReadConfiguration(path);
    if (p_.editor.slotCount() > 0) {
        p_.windows.showAsChild(Slot::Editor, true);
        setFileCommands(true);
    }
    SetMainFile(s_.mainFile);
    s_.projectFile = path;
    s_.watchListFile = watchListFileOf(path);
    p_.windows.setChecksumPanel("Checksum = 0x" + hexText(s_.imageChecksum, 4));
    return true;
}

void Shell::saveProject() {
    auto path = p_.windows.saveFileDialog({"*.prj|*.prj", ".prj", s_.dialogDir});
    if (path) saveProjectAs(*path);
}

bool Shell::saveProjectAs(const std::string& chosen) {
    std::string path = chosen;
    const size_t dot = path.find('.');
    if (dot == std::string::npos) {
        path += ".prj";
    } else {
        const std::string ext = path.substr(dot + 1);
        if (ext.size() != 3 || !equalsIgnoreCase(ext, "prj")) {
            message(MessageType::Error, shell_text::kSaveFileError, Buttons::Cancel);
            return false;
        }
    }
    s_.projectFile = path;
    const bool ok = WriteConfiguration(path);
    const std::string previous = s_.watchListFile;
    s_.watchListFile = watchListFileOf(path);
    // The list of this session's build; without one, the list of the project saved under a new
    // name goes with it, and a new project gets an empty list so the pair stays together.
    if (!writeWatchList(s_.watchListFile)) {
        std::string text;
        std::error_code ec;
        const bool same = !previous.empty() && fs::equivalent(previous, s_.watchListFile, ec);
        if (!previous.empty() && !same && readFileBytes(previous, text))
            writeFileAtomic(s_.watchListFile, text);
        else if (!fs::exists(s_.watchListFile))
            writeFileAtomic(s_.watchListFile, "");
    }
    applyCaptions();
    SetShellMode(s_.debugMode);
    return ok;
}

} // namespace zerka
