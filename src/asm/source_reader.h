#pragma once
// Reading the main source file and everything it includes into the line list: upper-casing,
// the field split, INCLUDE (text and object files), MACRO/ENDM, DEFINE, END and IF/ELSE/ENDIF.
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

#include "asm/preproc_env.h"

namespace zerka {

class SourceReader {
  public:
    explicit SourceReader(PreprocEnv& env);

    // Reads one file into the line list (text file) or re-creates lines from it (object file).
    // The first call names the main file: INCLUDE names are taken relative to its folder.
    bool Read(const std::filesystem::path& path, bool objectFile);

    bool endSeen() const { return end_; }

  private:
    bool readFile(const std::filesystem::path& path, const std::string& listPath,
                  const std::string& key, bool objectFile, const SourceLine* includeLine);
    bool readTextLines(const std::string& content, uint8_t fileIndex);
    bool handleInclude(const SourceLine& line);
    bool handleMacro(SourceLine& line);
    bool handleDefine(const SourceLine& line);
    bool store(SourceLine& line); // moves the line into its list
    bool isOpen(const std::string& key) const { return openKeys_.count(key) != 0; }

    PreprocEnv& env_;
    LineClassifier classifier_;
    std::unordered_set<std::string> macroNames_; // bodies defined so far
    std::unordered_set<std::string> openKeys_;   // mirror of the open-file list for lookups
    std::filesystem::path mainDir_;
    TLinePack* openMacro_ = nullptr;
    IfState if_;
    bool end_ = false;
    int depth_ = 0;
};

// The INCLUDE name `name` with separators normalised: an absolute name as it is, a relative
// one below `mainDir`.
std::filesystem::path includePath(const std::filesystem::path& mainDir, std::string_view name);

// True when the text after the first "." of the name's last component is "OBJ" (any case).
bool isObjectFileName(std::string_view name);

} // namespace zerka
