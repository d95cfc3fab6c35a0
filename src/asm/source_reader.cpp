#include "asm/source_reader.h"

#include <system_error>

#include "asm/object_reader.h"
#include "core/atomic_file.h"
#include "core/file_key.h"
#include "core/number.h"
#include "core/path_lookup.h"
#include "core/text.h"

namespace zerka {
namespace fs = std::filesystem;
using namespace preproc_code;

namespace {

constexpr size_t kIncludeNameMax = 128;
constexpr size_t kMacroNameMax = 128;

bool readOnce(const fs::path& path, std::string& content) {
    std::error_code ec;
    // Only plain files: a folder or a device named by a source line must not be read.
    if (!fs::is_regular_file(path, ec)) return false;
    return readFileBytes(path, content);
}

bool insideFolder(const std::string& key, const fs::path& root) {
    std::string r = fileKey(root);
    if (!r.empty() && r.back() != '/') r += '/';
    return key.compare(0, r.size(), r) == 0;
}

} // namespace

fs::path includePath(const fs::path& mainDir, std::string_view name) {
    const fs::path p(normalizeSeparators(name));
    return mainDir.empty() || p.is_absolute() ? p : mainDir / p;
}

bool isObjectFileName(std::string_view name) {
    const std::string norm = normalizeSeparators(name);
    const size_t slash = norm.rfind('/');
    const std::string_view base =
        std::string_view(norm).substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = base.find('.');
    return dot != std::string_view::npos && equalsIgnoreCase(base.substr(dot + 1), "OBJ");
}

SourceReader::SourceReader(PreprocEnv& env) : env_(env) {
    classifier_.instructions = env.instructions;
    classifier_.isMacroName = [this](std::string_view name) {
        return macroNames_.count(std::string(name)) != 0;
    };
}

bool SourceReader::Read(const fs::path& path, bool objectFile) {
    if (depth_ == 0 && env_.files->empty()) mainDir_ = path.parent_path();
    const std::string key = fileKey(path);
    if (isOpen(key)) {
        env_.fail(kCircularFile, false, path.string());
        return false;
    }
    if (!readFile(path, path.string(), key, objectFile, nullptr)) return false;
    if (openMacro_) {
        // Without ENDM the rest of the program would vanish into the macro body.
        env_.fail(kIllegalMacro, false, openMacro_->name());
        return false;
    }
    return true;
}

bool SourceReader::readFile(const fs::path& path, const std::string& listPath,
                            const std::string& key, bool objectFile,
                            const SourceLine* includeLine) {
    env_.refreshUi();
    if (env_.files->count() >= PreprocEnv::kMaxFiles) {
        env_.fail(kOutOfMemory, true, listPath, includeLine);
        return false;
    }
    std::string content;
    const auto readIt = [&] {
        return env_.readSource ? env_.readSource(path, content) : readOnce(path, content);
    };
    if (!readIt() && !readIt()) {
        env_.fail(kOpenSource, true, listPath, includeLine);
        return false;
    }
    const auto index = uint8_t(env_.files->count());
    if (!env_.files->addText(listPath, index, TLinePack::AtEnd, 0) ||
        !env_.openFiles->addText(key, index, TLinePack::AtEnd, 0)) {
        env_.fail(kOutOfMemory, true, std::nullopt, includeLine);
        return false;
    }
    openKeys_.insert(key);
    if (objectFile) return readObjectModule(env_, content, index, classifier_);
    return readTextLines(content, index);
}

bool SourceReader::readTextLines(const std::string& content, uint8_t fileIndex) {
    const std::string_view text = content;
    int32_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size() && !end_) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        const std::string_view raw = stripCarriageReturn(text.substr(pos, nl - pos));
        pos = nl + 1;
        ++lineNumber; // empty lines count
        if (raw.empty()) continue;

        SourceLine line;
        // The upper-cased copy becomes the stored text itself (no third copy of the line).
        line.storedText = toUpperAscii(raw.substr(0, SourceLine::kTextMax));
        line.workingText = line.storedText;
        line.fileIndex = fileIndex;
        line.lineNumber = lineNumber;
        if (!CutLIParasource(line, classifier_)) {
            // Operands beyond the last field would be lost without a word.
            env_.fail(kTooManyArguments, false, line.workingText, &line);
            return false;
        }
        if (line.isDirective) {
            const std::string_view op = line.field(SourceLine::kOperationField);
            if (op == "INCLUDE") {
                if (!handleInclude(line)) return false;
                continue;
            }
            if (op == "MACRO" || op == "ENDM") {
                if (!handleMacro(line)) return false;
                continue;
            }
            if (op == "DEFINE" && !handleDefine(line)) return false;
            if (op == "END") {
                end_ = true; // ends the reading of every open file
                break;
            }
        }
        if (!store(line)) return false;
    }
    return true;
}

bool SourceReader::handleInclude(const SourceLine& line) {
    const std::string name = cutText(line.operand(1), kIncludeNameMax);
    if (name.empty()) {
        env_.fail(kCircularFile, false, std::string(), &line);
        return false;
    }
    const fs::path joined = includePath(mainDir_, name);
    // Lines are upper-cased, so a name that is not found as written is looked up ignoring case.
    std::optional<fs::path> found = findFileCaseInsensitive(
        mainDir_.empty() ? fs::path(".") : mainDir_, normalizeSeparators(name));
    // Not beside the main file: the further folders (a chip header is included by its name).
    if (!found && !fs::path(normalizeSeparators(name)).is_absolute())
        for (const fs::path& dir : env_.includeDirs)
            if ((found = findFileCaseInsensitive(dir, normalizeSeparators(name)))) break;
    const fs::path target = found ? found->lexically_normal() : joined;
    const std::string key = fileKey(target);
    if (isOpen(key)) {
        env_.fail(kCircularFile, false, joined.generic_string(), &line);
        return false;
    }
    if (!if_.passes()) return true;
    if (env_.includeRoot && !insideFolder(key, *env_.includeRoot)) {
        env_.fail(kOpenSource, true, joined.generic_string(), &line);
        return false;
    }
    ++depth_;
    const bool ok = readFile(target, target.generic_string(), key, isObjectFileName(name), &line);
    --depth_;
    return ok;
}

bool SourceReader::handleMacro(SourceLine& line) {
    if (line.field(SourceLine::kOperationField) == "ENDM") {
        if (!openMacro_) {
            env_.fail(kIllegalMacro, false, "ENDM", &line);
            return false;
        }
        if (env_.storedLines >= env_.maxLines || !openMacro_->add(line, TLinePack::AtEnd)) {
            env_.fail(kOutOfMemory, true, std::nullopt, &line);
            return false;
        }
        ++env_.storedLines;
        openMacro_ = nullptr;
        return true;
    }
    if (openMacro_) {
        env_.fail(kIllegalMacro, false, line.workingText, &line);
        return false;
    }
    const std::string name = cutText(line.field(SourceLine::kLabelField), kMacroNameMax);
    if (name.empty()) {
        env_.fail(kIllegalMacro, false, std::nullopt, &line);
        return false;
    }
    TLinePack* body = env_.macros->add(name);
    if (!body) {
        env_.fail(kOutOfMemory, true, std::nullopt, &line);
        return false;
    }
    macroNames_.insert(name);
    openMacro_ = body;
    return store(line);
}

bool SourceReader::handleDefine(const SourceLine& line) {
    const NumberTest value = testNumber(line.operand(2));
    if (!value.isNumber) {
        env_.fail(kMissingArgument, false, std::string(line.operand(2)), &line);
        return false;
    }
    const int r = addDefine(env_.tables->defines, line.operand(1), value.value);
    if (r == kSymOutOfMemory) {
        env_.fail(kOutOfMemory, true, std::string(line.operand(1)), &line);
        return false;
    }
    return true;
}

bool SourceReader::store(SourceLine& line) {
    if (env_.storedLines >= env_.maxLines) {
        env_.fail(kOutOfMemory, true, std::nullopt, &line);
        return false;
    }
    if (openMacro_) {
        // IF, ELSE and ENDIF belong to the body; they are evaluated when it is expanded.
        if (!openMacro_->add(line, TLinePack::AtEnd)) {
            env_.fail(kIllegalMacro, true, std::nullopt, &line);
            return false;
        }
        ++env_.storedLines;
        return true;
    }
    bool handled = false;
    if (!applyIfLine(line, env_, if_, handled)) return false;
    if (handled || !if_.passes()) return true;
    if (!env_.lines->add(std::move(line), TLinePack::AtEnd)) {
        env_.fail(kIllegalMacro, true, std::nullopt, &line);
        return false;
    }
    ++env_.storedLines;
    return true;
}

} // namespace zerka
