#include "views/sram_record.h"

#include "core/atomic_file.h"
#include "core/text.h"
#include "uitext/text_id.h"
#include "views/sram_codegen.h"
#include "views/sram_csv.h"

#include <fstream>

namespace zerka {

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// The source with `lines` inserted after its line `after` (1-based; past the end appends),
// in the file's own line ending.
std::string insertAfterLine(const std::string& source, size_t after,
                            const std::vector<std::string>& lines) {
    const std::string eol = source.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    size_t pos = 0;
    for (size_t n = 0; n < after && pos < source.size(); ++n) {
        const size_t end = source.find('\n', pos);
        pos = end == std::string::npos ? source.size() : end + 1;
    }
    std::string head = source.substr(0, pos);
    // A last line without its line break gets one before the new lines follow it.
    if (!head.empty() && head.back() != '\n') head += eol;
    std::string inserted;
    for (const std::string& l : lines)
        inserted += l + eol;
    return head + inserted + source.substr(pos);
}

} // namespace

SramRecordModel::SramRecordModel(TZk_UP& up, UiHost& ui) : up_(up), ui_(ui) {
    seenRevision_ = record().revision();
    // Every register edit: redraw only when it touched the record (RAM file loads write
    // thousands of bytes without recording them).
    connection_ = up_.registerChanged().connect([this](uint32_t) {
        if (record().revision() == seenRevision_) return;
        seenRevision_ = record().revision();
        changed_.emit();
    });
}

SramRecordModel::~SramRecordModel() {
    up_.registerChanged().disconnect(connection_);
}

std::array<std::string, 5> SramRecordModel::row(size_t index) const {
    const RegRecordEntry& e = record().at(index);
    return {std::to_string(index + 1), e.name, hexText(e.address, 4) + "h",
            hexText(e.newValue, 2) + "h", hexText(e.oldValue, 2) + "h"};
}

std::string SramRecordModel::modeStatus() const {
    return continueMode() ? sram_text::kContinueStatus : sram_text::kNotContinueStatus;
}

void SramRecordModel::setContinueMode(bool on) {
    record().setContinueMode(on);
    if (hooks_.modeChanged) hooks_.modeChanged(on);
    changed_.emit();
}

void SramRecordModel::setAddEnabled(bool on) {
    if (addEnabled_ == on) return;
    addEnabled_ = on;
    changed_.emit();
}

bool SramRecordModel::confirm(const std::string& text) {
    return ui_.messageBox(MessageType::Confirmation, text, Buttons::YesNo) == Button::Yes;
}

void SramRecordModel::error(const std::string& text) {
    ui_.messageBox(MessageType::Error, text, Buttons::Ok);
}

void SramRecordModel::setAction(std::string text) {
    action_ = std::move(text);
    changed_.emit();
}

std::string SramRecordModel::saveWord() const {
    return hooks_.language && hooks_.language() == 1 ? "儲存" : "Save";
}

std::optional<fs::path> SramRecordModel::workingDirectory(bool create) {
    const std::string current = hooks_.currentFile ? hooks_.currentFile() : std::string();
    const fs::path parent = fs::path(current).parent_path();
    if (current.empty() || parent.empty()) {
        error(sram_text::kNoFolder);
        return std::nullopt;
    }
    const fs::path dir = parent / sram_text::kFolder;
    std::error_code ec;
    if (create && !fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        if (!fs::is_directory(dir, ec)) {
            error(sram_text::kNoFolder);
            return std::nullopt;
        }
    }
    return dir;
}

bool SramRecordModel::writeTextFile(const fs::path& path, const std::string& text) {
    if (!confirm(saveWord() + "  \" " + path.string() + "\" ?")) return false;
    setAction("Save to " + quoted(path.string()));
    if (!writeFileAtomic(path, text)) {
        error(sram_text::kFileOpen);
        return false;
    }
    return true;
}

bool SramRecordModel::save() {
    if (record().empty()) return false;
    const auto dir = workingDirectory(true);
    if (!dir) return false;
    return writeTextFile(*dir / sram_text::kCsvFile, formatSramCsv(record().entries()));
}

bool SramRecordModel::createNewFile() {
    if (record().empty()) return false;
    const auto dir = workingDirectory(true);
    if (!dir) return false;
    std::string text;
    for (const std::string& line : generatedLines())
        text += line + "\r\n";
    return writeTextFile(*dir / sram_text::kAsmFile, text);
}

bool SramRecordModel::load() {
    const auto dir = workingDirectory(false);
    if (!dir) return false;
    std::error_code ec;
    if (!fs::is_directory(*dir, ec)) {
        error(dir->string() + "  is not Exist!!!!");
        return false;
    }
    const fs::path path = *dir / sram_text::kCsvFile;
    if (!fs::is_regular_file(path, ec)) {
        error(path.string() + sram_text::kNotExist);
        return false;
    }
    if (!confirm(TextOf(TextId::LoadQuote) + path.string() + "\" ?")) return false;
    setAction("Download " + quoted(path.string()));
    std::string text;
    if (!readFileBytes(path, text)) {
        error(sram_text::kFileOpen);
        return false;
    }
    const size_t room = TRegRecord::kCapacity - record().size();
    bool more = false;
    std::string why;
    const auto entries = parseSramCsv(text, room, &more, &why);
    if (!entries) {
        // Nothing of a damaged file is taken, so the record never holds half a file.
        error(path.string() + sram_text::kNotRecordFile + " (" + why + ").");
        return false;
    }
    for (const RegRecordEntry& e : *entries)
        record().Append(e);
    seenRevision_ = record().revision();
    changed_.emit();
    if (more) error(sram_text::kBufferFull);
    return true;
}

bool SramRecordModel::clear() {
    if (!confirm(TextOf(TextId::ClearRecordQuestion))) return false;
    record().Clear();
    seenRevision_ = record().revision();
    setAction(TextOf(TextId::ClearRecord));
    return true;
}

void SramRecordModel::reset() {
    record().Clear();
    seenRevision_ = record().revision();
    action_.clear();
    changed_.emit();
}

std::vector<std::string> SramRecordModel::generatedLines() const {
    return generateSramLines(record().entries(), up_.core());
}

bool SramRecordModel::replaceSource(const fs::path& source, const fs::path& temp,
                                    const std::string& content) {
    std::error_code ec;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), std::streamsize(content.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    // The rewritten file keeps the access rights of the one it replaces.
    const fs::perms perms = fs::status(source, ec).permissions();
    if (!ec) fs::permissions(temp, perms, ec);
    fs::rename(temp, source, ec);
    if (!ec) return true;
    // The temporary folder may sit on another file system than the source: write the source
    // through a temporary file of its own folder instead.
    fs::remove(temp, ec);
    return writeFileAtomic(source, content);
}

bool SramRecordModel::addToCurrentAddress() {
    if (!addEnabled_ || record().empty()) return false;
    const CpuState& cpu = up_.cpu();
    const uint32_t pc = cpu.GetPC();
    const uint16_t line = cpu.SourceLineOf(pc);
    const std::string source =
        line != 0 && hooks_.sourcePath ? hooks_.sourcePath(cpu.SourceFileOf(pc)) : std::string();
    if (source.empty()) {
        error(sram_text::kNoSourceLine);
        return false;
    }
    if (!confirm("Over Write \"" + source + "\" ?")) return false;
    const auto dir = workingDirectory(true);
    if (!dir) return false;
    std::string text;
    if (!readFileBytes(source, text)) {
        error(source + sram_text::kNotExist);
        return false;
    }
    // Reloading the editor afterwards would throw its unsaved changes away.
    if (hooks_.sourceModified && hooks_.sourceModified(source)) {
        error(quoted(source) + sram_text::kSourceModified);
        return false;
    }
    const std::string content = insertAfterLine(text, line, generatedLines());
    if (!replaceSource(source, *dir / sram_text::kTempFile, content)) {
        error(quoted(source) + sram_text::kSourceNotWritten);
        return false;
    }
    if (hooks_.reloadSource) hooks_.reloadSource(source);
    if (confirm(quoted(source) + "  " + TextOf(TextId::RebuildMainProgram)) && hooks_.rebuild)
        hooks_.rebuild();
    return true;
}

} // namespace zerka
