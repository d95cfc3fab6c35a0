#include "asm/assembler.h"

#include <algorithm>

#include "asm/assembler_checks.h"
#include "asm/assembler_reporter.h"
#include "asm/encode_pass.h"
#include "asm/line_pack.h"
#include "asm/macro_expander.h"
#include "asm/output_files.h"
#include "asm/source_reader.h"
#include "asm/symbol_tables.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "core/atomic_file.h"
#include "core/checksum.h"
#include "core/output_names.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
namespace fs = std::filesystem;

AssemblyOptions assemblyOptionsFrom(const OptionsModel& o, AssemblyMode mode) {
    AssemblyOptions a;
    a.mode = mode;
    a.listing = o.listingEnabled();
    a.asciiFile = o.asciiFileEnabled();
    a.hexFile = o.hexFileEnabled();
    a.objectFile = o.objectFileEnabled();
    a.eehFile = o.romSelect() == RomSelect::Eeprom28C256;
    a.fill = ImageFill(std::clamp(o.fillMode(), 0, 2));
    a.smartCompiler = o.smartCompiler();
    a.optimization = o.optimization();
    a.programProtect = o.programProtect();
    a.wdtJmp0 = o.wdtJmp0();
    a.acmGroupEnabled = o.acmGroupEnabled();
    a.acm10 = o.acm10();
    return a;
}

std::array<uint16_t, 14> informationWords(const ChipModel& chip, const AssemblyOptions& options,
                                          uint32_t chipListVersion, uint16_t iceBodyId,
                                          uint16_t checksum) {
    std::array<uint16_t, 14> w{};
    const bool acmAt2E = chip.chipId == 0x21 || chip.chipId == 0x62;
    if (options.acmGroupEnabled) {
        if (acmAt2E) {
            w[0] = options.acm10 ? 0x0680 : 0x067F;
            w[1] = options.acm10 ? 0x2E2E : 0x2A2E;
        } else {
            w[0] = options.acm10 ? 0x067F : 0x0680;
            w[1] = options.acm10 ? 0x2A38 : 0x2E38;
        }
    }
    w[2] = uint16_t(0x7800 + (chip.coreVariant == 1 ? 0x7C : acmAt2E ? 0x0A : 0x07));
    w[5] = uint16_t(chipListVersion);
    w[6] = iceBodyId;
    w[9] = checksum;
    w[10] = 0x642E;
    w[11] = 0x01BF;
    w[12] = 0x662E;
    w[13] = options.programProtect ? 0xF7FE : 0xFFFE;
    return w;
}

namespace {

void put16(MacroRecord& r, size_t at, uint32_t v) {
    r[at] = uint8_t(v & 0xFF);
    r[at + 1] = uint8_t((v >> 8) & 0xFF);
}
void put32(MacroRecord& r, size_t at, uint32_t v) {
    put16(r, at, v & 0xFFFF);
    put16(r, at + 2, v >> 16);
}

MacroRecord macroRecordOf(const SourceLine& l) {
    MacroRecord r{};
    const bool ownStep = l.stepFile == l.fileIndex && l.stepLine == uint16_t(l.lineNumber);
    r[0] = ownStep ? 0 : 1;
    r[1] = l.expanded ? 1 : 0;
    put32(r, 4, ownStep ? uint32_t(l.address) : 0xFFFFFu);
    r[8] = l.stepFile;
    r[9] = l.callSiteFile;
    put16(r, 10, l.stepLine);
    put16(r, 12, l.callSiteLine);
    put16(r, 14, uint16_t(l.outerRecord));
    put16(r, 16, uint16_t(l.nextRecord));
    put32(r, 20, uint32_t(l.expansionStart));
    put32(r, 24, uint32_t(l.expansionEnd));
    return r;
}

// One assembly run (the TF_ASM object): created for the run and gone with it.
class TF_ASM {
  public:
    TF_ASM(const fs::path& mainFile, const AssemblyContext& ctx, const AssemblyOptions& options)
        : ctx_(ctx), options_(options), chip_(*ctx.chip), instructions_(*ctx.instructions),
          mainFile_(fs::absolute(mainFile).lexically_normal()), mainName_(mainFile_.string()),
          memorySize_(programMemorySize(chip_)),
          reporter_(files_, ctx.log, outputFileName(mainName_, ".err"), memorySize_) {}

    AssemblyResult run();

  private:
    bool readAndExpand();
    bool encode();
    void postPass(const LineIndex& index);
    void checkPclatl(const LineIndex& index);
    void writeListingAndMap();
    void writeResultFiles(const LineIndex& index);
    void collectHandOver();
    bool writeOutput(std::string_view suffix, std::string_view content);
    std::vector<std::string_view> outputSuffixes() const;
    std::vector<std::string_view> imageSuffixes() const;
    std::optional<std::string> outputClash() const;
    void removeStaleImages();
    std::string otherCoreMnemonic() const;

    const AssemblyContext& ctx_;
    const AssemblyOptions options_;
    const ChipModel& chip_;
    const InstructionSet& instructions_;
    const fs::path mainFile_;
    const std::string mainName_;
    const int32_t memorySize_;

    TLinePack lines_, files_, openFiles_;
    TLinePackLink macros_;
    SymbolTables tables_;
    ProgramImage image_;
    TCheckSmartPtr longForms_;
    AssemblerReporter reporter_;
    AssemblyResult result_;
    std::vector<std::string_view> written_; // suffixes of the files this run wrote
};

bool TF_ASM::readAndExpand() {
    PreprocEnv env;
    env.lines = &lines_;
    env.files = &files_;
    env.openFiles = &openFiles_;
    env.macros = &macros_;
    env.tables = &tables_;
    env.instructions = &instructions_;
    env.report = [this](const PreprocError& e) { reporter_.reportPreproc(e); };
    env.yield = ctx_.yield;
    env.includeRoot = ctx_.includeRoot;
    env.readSource = ctx_.readSource;
    env.includeDirs = ctx_.includeDirs;
    env.maxLines = ctx_.maxLines;
    env.macroLabelCounter = 0;
    SourceReader reader(env);
    if (!reader.Read(mainFile_, false)) return false;
    MacroExpander expander(env);
    return expander.ExpandMacros();
}

bool TF_ASM::encode() {
    EncodeEnv env;
    env.lines = &lines_;
    env.tables = &tables_;
    env.image = &image_;
    env.instructions = &instructions_;
    env.chip = &chip_;
    env.classifier = makeLineClassifier(&instructions_, &macros_);
    env.longForms = &longForms_;
    env.reporter = &reporter_;
    env.yield = ctx_.yield;
    env.options.assembleOnly = options_.mode == AssemblyMode::AssembleOnly;
    env.options.smartCompiler = options_.smartCompiler || options_.optimization;
    env.options.optimization = options_.optimization;
    env.options.wdtJmp0 = options_.wdtJmp0;
    env.options.fill = options_.fill;
    if (!EncodePass(env, true, false)) return false;
    if (chip_.coreVariant == 0 && env.options.smartCompiler) return SmartCompile(env);
    return true;
}

void TF_ASM::postPass(const LineIndex& index) {
    const bool checks = options_.mode == AssemblyMode::BuildAndLoad;
    OperandChecker checker(chip_, instructions_, tables_, reporter_);
    Checksum16 sum;
    result_.cells.resize(size_t(std::max(memorySize_, 0)));
    for (int32_t a = 0; a < memorySize_; ++a) {
        const ProgramImage::Cell cell = image_.cell(a);
        const SourceLine* l = cell.line != 0 ? index.find(cell.line) : nullptr;
        AssembledCell& out = result_.cells[size_t(a)];
        out.code = cell.word;
        out.fileIndex = l ? l->fileIndex : 0;
        out.line = l ? uint16_t(l->lineNumber) : 0;
        sum.addWord(cell.word);
        if (l && checks) {
            const std::string_view op = l->field(SourceLine::kOperationField);
            if (op != "DW" && op != "DB") checker.check(a, cell.word, image_.word(a - 1), *l);
        }
    }
    result_.selfEromWrites = checker.selfEromWrites();
    result_.checksum = sum.value();
    result_.cellsLoaded = true;
}

// A write to PCLATL before 0041h on the chips that start their program there.
void TF_ASM::checkPclatl(const LineIndex& index) {
    if (chip_.chipId != 0x71 || chip_.coreVariant != 1) return;
    for (int32_t a = 0; a <= 0x40 && a < ProgramImage::kCellCount; ++a) {
        const DecodedInstruction d = instructions_.decode(image_.word(a));
        if (!d.found || d.operandCount != 3) continue;
        if (d.operands[0] == 0x1B && d.operands[1] == 1 && d.operands[2] == 0) {
            const uint32_t seq = image_.lineOf(a);
            reporter_.report(seq ? index.find(seq) : nullptr, 52, true, std::nullopt);
            return;
        }
    }
}

bool TF_ASM::writeOutput(std::string_view suffix, std::string_view content) {
    const std::string name = outputFileName(mainName_, suffix);
    if (!writeFileAtomic(name, content)) {
        reporter_.report(nullptr, 2, true, name);
        return false;
    }
    written_.push_back(suffix);
    return true;
}

// The image files a run writes when it succeeds, and removes when it fails.
std::vector<std::string_view> TF_ASM::imageSuffixes() const {
    std::vector<std::string_view> s;
    if (options_.hexFile && options_.writeHexFile) s.push_back(".hex");
    if (options_.ihexFile) s.push_back(".ihx");
    if (options_.objectFile) s.push_back(".obj");
    if (options_.eehFile) s.push_back(".EEH");
    return s;
}

// Every file the run may write or remove.
std::vector<std::string_view> TF_ASM::outputSuffixes() const {
    std::vector<std::string_view> s;
    if (options_.errorFile) s.push_back(".err");
    if (options_.mapFile) s.push_back(".map");
    if (options_.listing) s.push_back(".lst");
    if (options_.asciiFile) s.push_back(".asc");
    for (std::string_view i : imageSuffixes())
        s.push_back(i);
    return s;
}

// An output that is the main file or a file it read (a main file named PROG.LST, an INCLUDE of
// PROG.MAP) would destroy that input: the text of the refusal, or nothing.
std::optional<std::string> TF_ASM::outputClash() const {
    for (std::string_view suffix : outputSuffixes()) {
        const std::string out = outputFileName(mainName_, suffix);
        std::error_code ec;
        if (!fs::exists(out, ec)) continue;
        for (const SourceLine& f : files_) {
            if (!fs::equivalent(out, f.workingText, ec)) continue;
            const std::string& in = f.workingText;
            return "Output file \"" + out + "\" would replace the input file \"" + in +
                   "\"; nothing was written. Rename the file.";
        }
    }
    return std::nullopt;
}

// A failed run leaves no image file of an earlier run behind, where a later step would take
// it for this run's.
void TF_ASM::removeStaleImages() {
    for (std::string_view suffix : imageSuffixes()) {
        if (std::find(written_.begin(), written_.end(), suffix) != written_.end()) continue;
        std::error_code ec;
        fs::remove(outputFileName(mainName_, suffix), ec);
    }
}

std::string TF_ASM::otherCoreMnemonic() const {
    std::optional<InstructionSet> other;
    for (const AssemblyError& e : reporter_.reports()) {
        if (e.code != 8 || e.detail.empty()) continue;
        if (!other)
            other.emplace(instructions_.core() == CoreType::CX4A ? CoreType::CX4B : CoreType::CX4A);
        if (other->isMnemonicOrAlias(e.detail) && !instructions_.isMnemonicOrAlias(e.detail))
            return e.detail;
    }
    return {};
}

void TF_ASM::writeListingAndMap() {
    if (options_.listing) {
        std::string mainText;
        if (!readFileBytes(mainFile_, mainText))
            reporter_.report(nullptr, 2, true, mainName_);
        else
            writeOutput(".lst", listingText(lines_, mainText, image_));
    }
    if (options_.mapFile) writeOutput(".map", mapText(tables_));
}

void TF_ASM::writeResultFiles(const LineIndex& index) {
    if (options_.asciiFile) writeOutput(".asc", asciiText(image_, memorySize_, index));
    if (options_.hexFile || options_.ihexFile) {
        HexInformation info;
        info.chipId = chip_.chipId;
        info.coreVariant = chip_.coreVariant;
        info.acmGroupEnabled = options_.acmGroupEnabled;
        info.acm10 = options_.acm10;
        info.acmAddress = chip_.acm.address;
        info.acmBit = chip_.acm.bit;
        info.acmFlag = chip_.acm.flag;
        info.acmCount = chip_.acm.count;
        info.chipListVersion = ctx_.chipListVersion;
        info.iceBodyId = ctx_.iceBodyId;
        info.checksum = result_.checksum;
        info.programProtect = options_.programProtect;
        const std::string hex = hexImage(image_, memorySize_, result_.informationBlock, info);
        if (options_.hexFile && options_.writeHexFile) writeOutput(".hex", hex);
        if (options_.ihexFile) writeOutput(".ihx", intelHexText(hex));
    }
    if (options_.objectFile) writeOutput(".obj", objectModule(tables_, image_, index));
    if (options_.eehFile)
        writeOutput(".EEH", eehImage(image_, memorySize_, result_.informationBlock,
                                     result_.informationWords, chip_.coreVariant));
}

void TF_ASM::collectHandOver() {
    for (int i = 1; i <= tables_.debugger.count(); ++i)
        result_.symbols.push_back(*tables_.debugger.entry(i));
    for (int i = 1; i <= tables_.assembly.count(); ++i) {
        const SymbolEntry& e = *tables_.assembly.entry(i);
        if (e.kind == 'L') result_.labels.push_back(e);
    }
    for (int i = 1; i <= tables_.objectSymbols.count(); ++i) {
        SymbolEntry e = *tables_.objectSymbols.entry(i);
        if (e.kind != 'L') continue;
        e.value += e.extra; // an object module's label is relative to where it was placed
        result_.labels.push_back(e);
    }
    result_.lineMap.reserve(lines_.count());
    for (const SourceLine& l : lines_) {
        LineMapEntry e;
        e.fileIndex = l.fileIndex;
        e.lineNumber = l.lineNumber;
        e.address = uint32_t(l.address);
        e.expanded = l.expanded;
        e.record = l.recordNumber;
        if (l.recordNumber != 0) e.macroRecord = macroRecordOf(l);
        result_.lineMap.push_back(e);
    }
    result_.handOver = true;
}

AssemblyResult TF_ASM::run() {
    result_.informationBlock = ctx_.informationBlock;
    if (ctx_.log) ctx_.log->ClearLog();
    image_.initialise(options_.fill);

    const bool read = readAndExpand();
    if (const std::optional<std::string> clash = outputClash()) {
        // Nothing is written, not even the error file.
        if (ctx_.log) ctx_.log->AddEntry(mainName_, 0, *clash);
        result_.refused = true;
        result_.refusal = *clash;
        result_.reports = reporter_.reports();
        result_.errorCount = reporter_.errorCount();
        return std::move(result_);
    }
    if (read && encode()) {
        const LineIndex index(lines_);
        postPass(index);
        checkPclatl(index);
        result_.informationWords = informationWords(chip_, options_, ctx_.chipListVersion,
                                                    ctx_.iceBodyId, result_.checksum);
        std::copy(result_.informationWords.begin(), result_.informationWords.end(),
                  result_.informationBlock.begin() + 114);
        result_.informationSet = true;
        writeListingAndMap();
        if (reporter_.errorCount() == 0) {
            writeResultFiles(index);
            collectHandOver();
        }
    }
    result_.codeExtent = image_.codeExtent();
    for (const SourceLine& f : files_)
        result_.files.push_back(f.workingText);
    if (options_.errorFile) reporter_.flushErrorFile();
    result_.errorList = reporter_.errorList();
    result_.reports = reporter_.reports();
    result_.errorCount = reporter_.errorCount();
    // A file of the result that could not be written is an error like any other: the
    // hand-over still happens, but the run does not count as a success.
    result_.success = result_.handOver && result_.errorCount == 0;
    if (!result_.success) removeStaleImages();
    result_.otherCoreMnemonic = otherCoreMnemonic();
    if (ctx_.inspect) ctx_.inspect(AssemblyInsight{lines_, files_, macros_, tables_});
    return std::move(result_);
}

} // namespace

AssemblyResult Assemble(const fs::path& mainFile, const AssemblyContext& context,
                        const AssemblyOptions& options) {
    if (!context.chip || !context.instructions) return AssemblyResult{};
    TF_ASM run(mainFile, context, options);
    return run.run();
}

bool HandOverAssembly(const AssemblyResult& result, AssemblyReceiver& receiver) {
    receiver.ClearSourceView();
    receiver.ClearProgramMemory();
    if (result.cellsLoaded) {
        for (size_t a = 0; a < result.cells.size(); ++a) {
            const AssembledCell& c = result.cells[a];
            receiver.LoadProgramCell(uint32_t(a), c.code, c.line, c.fileIndex);
        }
    }
    if (result.informationSet) {
        receiver.ShowChecksum(result.checksum);
        receiver.SetInformationWord(109, result.informationBlock[109]);
        for (int i = 114; i <= 127; ++i)
            receiver.SetInformationWord(i, result.informationBlock[size_t(i)]);
    }
    receiver.SetCodeExtent(result.codeExtent);
    if (!result.handOver) return false;

    receiver.ResetCpu();
    receiver.ClearSymbols();
    for (const SymbolEntry& s : result.symbols)
        receiver.AddSymbol(s);
    for (const std::string& f : result.files) {
        if (isObjectFileName(f)) continue;
        if (!receiver.AddSourceFile(f)) return false;
    }
    if (receiver.CreateMacroTable()) {
        for (const LineMapEntry& e : result.lineMap) {
            const int file = int(e.fileIndex) + 1;
            receiver.SetRowValue(file, e.lineNumber, e.expanded ? 0xFFFFFFFFu : e.address, 0);
            if (e.record != 0) {
                if (!e.expanded) receiver.SetRowValue(file, e.lineNumber, e.record, 1);
                receiver.SetAddressRecord(e.address, e.record);
                receiver.SetMacroRecord(e.record, e.macroRecord);
            }
        }
    }
    receiver.SetSelfEromWrites(result.selfEromWrites);
    return result.success;
}

} // namespace zerka
