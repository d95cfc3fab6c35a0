#pragma once
// The run's error reporter: formats each report, adds it to the message log and the error list,
// keeps the ".err" file's lines, counts the errors and raises the abort flag on a fatal one.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/encode_pass.h"
#include "asm/line_pack.h"
#include "asm/preproc_env.h"

namespace zerka {

class AssemblerReporter : public EncodeReporter {
  public:
    // `files` is the run's file list; `errorFile` the ".err" path.
    AssemblerReporter(const TLinePack& files, MessageLog* log, std::filesystem::path errorFile,
                      int32_t memoryWords);

    void report(const SourceLine* line, int code, bool fatal,
                std::optional<std::string> detail) override;
    bool aborted() const override { return aborted_; }

    // A report named by file index and line number (fileIndex 255: no line).
    void reportAt(uint8_t fileIndex, int32_t lineNumber, int code, bool fatal,
                  const std::optional<std::string>& detail);
    void reportPreproc(const PreprocError& e) {
        reportAt(e.fileIndex, e.lineNumber, e.code, e.fatal, e.detail);
    }

    int errorCount() const { return count_; }
    bool anyErrors() const override { return count_ != 0; }
    const std::vector<std::string>& errorList() const { return errorList_; }
    const std::vector<AssemblyError>& reports() const { return reports_; }

    // Writes the ".err" file when the run reported anything (a new file replaces the old one
    // whole). False with a reason when it could not be written.
    bool flushErrorFile(std::string* error = nullptr) const;

  private:
    std::string filePath(uint8_t fileIndex);

    const TLinePack& files_;
    MessageLog* log_;
    std::filesystem::path errorFile_;
    int32_t memoryWords_;
    std::string lastPath_;
    size_t lastFileCount_ = 0;
    std::string errorFileText_;
    std::vector<std::string> errorList_;
    std::vector<AssemblyError> reports_;
    int count_ = 0;
    bool aborted_ = false;
};

} // namespace zerka
