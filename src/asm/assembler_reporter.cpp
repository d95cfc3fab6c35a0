#include "asm/assembler_reporter.h"

#include <cstdio>

#include "core/atomic_file.h"

namespace zerka {

std::string assemblerMessage(int code, int32_t memoryWords) {
    switch (code) {
    case 1:
        return "Couldn't open source file";
    case 2:
        return "Couldn't open file";
    case 4:
        return "Duplicate label or redefining symbol";
    case 5:
        return "Undefined Symbol";
    case 6:
        return "Out of memory...";
    case 8:
        return "Illegal Symbol";
    case 9:
        return "Illegal argument";
    case 10:
        return "Overwriting previous address contents.";
    case 11: {
        char n[32];
        std::snprintf(n, sizeof n, "%g", double(memoryWords) / 1024.0);
        return std::string("Addresses above ") + n + "K not supported.";
    }
    case 13:
        return "Missing argument...";
    case 14:
        return "Too many arguments...";
    case 16:
        return "Illegal Macro...";
    case 19:
        return "Macro nested too deep...(Max:32)";
    case 20:
        return "Circular file reference...";
    case 21:
        return "Circular macro reference...";
    case 23:
        return "Over Range";
    case 24:
        return "illegally Memory or Registor";
    case 25:
        return "illegally  Bit";
    case 26:
        return "Memory Over";
    case 52:
        return "In KXAM , PCLATL can not be use before 0040h";
    default:
        return "Unknown error.";
    }
}

AssemblerReporter::AssemblerReporter(const TLinePack& files, MessageLog* log,
                                     std::filesystem::path errorFile, int32_t memoryWords)
    : files_(files), log_(log), errorFile_(std::move(errorFile)), memoryWords_(memoryWords) {}

std::string AssemblerReporter::filePath(uint8_t fileIndex) {
    size_t i = 0;
    for (const SourceLine& f : files_) {
        if (i++ == fileIndex) {
            lastPath_ = f.workingText;
            lastFileCount_ = files_.count();
            return lastPath_;
        }
    }
    return lastPath_;
}

void AssemblerReporter::report(const SourceLine* line, int code, bool fatal,
                               std::optional<std::string> detail) {
    if (line)
        reportAt(line->fileIndex, line->lineNumber, code, fatal, detail);
    else
        reportAt(SourceLine::kNoFile, 0, code, fatal, detail);
}

void AssemblerReporter::reportAt(uint8_t fileIndex, int32_t lineNumber, int code, bool fatal,
                                 const std::optional<std::string>& detail) {
    std::string message = assemblerMessage(code, memoryWords_);
    if (detail) message.append(" [").append(*detail).append("]");

    std::string path;
    if (fileIndex != SourceLine::kNoFile && size_t(fileIndex) < files_.count()) {
        path = filePath(fileIndex);
    } else if (code == 2 && detail) {
        path = *detail; // a file that could not be opened is named as the file of the error
    } else {
        // Without a line: the file most recently added to the list, or the one used last.
        if (files_.count() > lastFileCount_ && !files_.empty()) {
            const SourceLine* newest = nullptr;
            for (const SourceLine& f : files_)
                newest = &f;
            lastPath_ = newest->workingText;
            lastFileCount_ = files_.count();
        }
        path = lastPath_;
        lineNumber = 0;
    }

    std::string text = "Error(code:";
    text.append(std::to_string(code)).append(")   ").append(path);
    if (lineNumber != 0)
        text.append(" ").append(std::to_string(lineNumber)).append(": ");
    else
        text.append(" : ");
    text.append(message);

    if (log_) log_->AddEntry(path, lineNumber, text);
    errorList_.push_back(text.substr(0, kErrorListTextMax));
    errorFileText_ += text;
    errorFileText_ += '\n';
    reports_.push_back(AssemblyError{code, text, path, lineNumber, detail.value_or("")});
    if (count_ == 0 && log_) log_->BringToFront();
    ++count_;
    if (fatal) aborted_ = true;
}

bool AssemblerReporter::flushErrorFile(std::string* error) const {
    if (count_ == 0) return true;
    return writeFileAtomic(errorFile_, errorFileText_, error);
}

} // namespace zerka
