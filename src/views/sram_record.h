#pragma once
// TSRAMRecord without widgets: the grid and status texts of the SRAM record window over the
// uP centre's register record, the recording mode, the "ZkSRAM.CSV" file, and turning the
// record into instructions — a new "ZkSRAM.asm" or lines inserted into the program's source
// at the current PC's line. Files live in "ZerkaTemp" beside the current file.
#include "core/signal.h"
#include "core/ui_host.h"
#include "upcentre/run/up_centre.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zerka {

namespace sram_text {
inline constexpr const char* kFolder = "ZerkaTemp";
inline constexpr const char* kCsvFile = "ZkSRAM.CSV";
inline constexpr const char* kAsmFile = "ZkSRAM.asm";
inline constexpr const char* kTempFile = "MyTemp.tmp";
inline constexpr const char* kNoFolder = "ZerkaTemp can't been Created!!!!!";
inline constexpr const char* kFileOpen = "File has been Open, Please Close Open File!!!!!";
inline constexpr const char* kBufferFull = "SRAM Buffer is over 1024, Please clear SRAM Buffer !!!";
inline constexpr const char* kContinueStatus = "Status: Continue";
inline constexpr const char* kNotContinueStatus = "Status: Not Continue";
inline constexpr const char* kNotExist = " is not Exist!!!!";
inline constexpr const char* kNoSourceLine =
    "The current PC has no source line: nothing was added.";
inline constexpr const char* kSourceModified =
    " has unsaved changes in the editor. Save or reload it, then add the record again.";
inline constexpr const char* kSourceNotWritten =
    " could not be rewritten; the file was left as it was.";
inline constexpr const char* kNotRecordFile = " is not a SRAM record file";
} // namespace sram_text

// What the record needs of the rest of the IDE. Unset hooks mean: nothing there.
struct SramRecordHooks {
    std::function<std::string()> currentFile;               // `currentFile`
    std::function<std::string(uint8_t index)> sourcePath;   // the source file of a file index
    std::function<bool(const std::string&)> sourceModified; // the editor holds unsaved changes
    std::function<void(const std::string&)> reloadSource;   // the editor reads the file again
    std::function<void()> rebuild;                          // leave debug mode, build and load
    std::function<int()> language;                          // 0 English, 1 Chinese
    std::function<void(bool)> modeChanged;                  // the user chose a recording mode
};

class SramRecordModel {
  public:
    static constexpr std::array<const char*, 5> kHeadings = {"Item", "Name", "Address", "Last Data",
                                                             "Befor Data"};
    static constexpr int kMinWidth = 345;
    static constexpr int kMinHeight = 400;
    static int columnWidth(int windowWidth) { return (windowWidth - 40) / 5; }

    SramRecordModel(TZk_UP& up, UiHost& ui);
    ~SramRecordModel();
    SramRecordModel(const SramRecordModel&) = delete;
    SramRecordModel& operator=(const SramRecordModel&) = delete;

    void setHooks(SramRecordHooks hooks) { hooks_ = std::move(hooks); }
    TRegRecord& record() { return up_.cpu().registerRecord(); }
    const TRegRecord& record() const { return up_.cpu().registerRecord(); }

    // --- grid and status ------------------------------------------------------------------
    size_t rowCount() const { return record().size(); }
    std::array<std::string, 5> row(size_t index) const;
    // The first status panel: the last action.
    const std::string& actionStatus() const { return action_; }
    // The second status panel: the recording mode.
    std::string modeStatus() const;
    // The grid or a status text changed.
    Signal<>& changed() { return changed_; }

    // --- mode and enable state -------------------------------------------------------------
    bool continueMode() const { return record().continueMode(); }
    void setContinueMode(bool on);
    // "Add to Current Address" is refused while the target runs.
    bool addEnabled() const { return addEnabled_; }
    void setAddEnabled(bool on);

    // --- commands (each returns true when it did its work) -----------------------------------
    bool save();
    bool load();
    // Asks first.
    bool clear();
    // Empties the record and the action status without asking (leaving debug mode for a build).
    void reset();
    bool createNewFile();
    bool addToCurrentAddress();

    std::vector<std::string> generatedLines() const;
    // "ZerkaTemp" beside the current file; created when `create`. Nothing (after the message)
    // when there is no such folder.
    std::optional<std::filesystem::path> workingDirectory(bool create);

  private:
    bool confirm(const std::string& text);
    void error(const std::string& text);
    void setAction(std::string text);
    std::string saveWord() const;
    bool writeTextFile(const std::filesystem::path& path, const std::string& text);
    bool replaceSource(const std::filesystem::path& source, const std::filesystem::path& temp,
                       const std::string& content);

    TZk_UP& up_;
    UiHost& ui_;
    SramRecordHooks hooks_;
    std::string action_;
    bool addEnabled_ = true;
    uint64_t seenRevision_ = 0;
    Signal<uint32_t>::Connection connection_ = 0;
    Signal<> changed_;
};

} // namespace zerka
