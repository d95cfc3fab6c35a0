#include "lsp/analysis.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "asm/cut_li_para_source.h"
#include "asm/encode_pass.h"
#include "asm/line_pack.h"
#include "asm/source_reader.h"
#include "asm/symbol_tables.h"
#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"
#include "core/text.h"
#include "shell/config_file.h"

namespace zerka::lsp {
namespace fs = std::filesystem;

void AnalysedFile::setText(std::string t) {
    text = std::move(t);
    lineStarts.clear();
    lineStarts.push_back(0);
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        lineStarts.push_back(i + 1);
}

std::string_view AnalysedFile::line(int n) const {
    if (n < 0 || size_t(n) >= lineStarts.size()) return {};
    const size_t start = lineStarts[size_t(n)];
    size_t end = size_t(n) + 1 < lineStarts.size() ? lineStarts[size_t(n) + 1] - 1 : text.size();
    std::string_view l = std::string_view(text).substr(start, end - start);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    return l;
}

const AnalysedFile* Analysis::file(const std::string& key) const {
    const size_t i = fileIndex(key);
    return i < files.size() ? &files[i] : nullptr;
}

size_t Analysis::fileIndex(const std::string& key) const {
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i].key == key) return i;
    return files.size();
}

const Token* Analysis::tokenAt(size_t f, int line, size_t column) const {
    if (f >= files.size()) return nullptr;
    const std::vector<Token>& t = files[f].tokens;
    auto it = std::lower_bound(t.begin(), t.end(), line,
                               [](const Token& a, int l) { return a.span.line < l; });
    for (; it != t.end() && it->span.line == line; ++it)
        if (column >= it->span.start && column <= it->span.end && it->span.end > it->span.start)
            return &*it;
    return nullptr;
}

std::vector<int> Analysis::findSymbols(const std::string& name) const {
    std::vector<int> out;
    for (size_t i = 0; i < symbols.size(); ++i)
        if (symbols[i].name == name) out.push_back(int(i));
    return out;
}

std::shared_ptr<ChipSetup> loadChip(const fs::path& lib, const std::string& chipText) {
    auto s = std::make_shared<ChipSetup>();
    s->library = std::make_unique<ChipLibrary>(lib.empty() ? chipLibraryDir() : lib);
    s->chip = std::make_unique<ChipModel>();
    std::string error;
    if (!s->library->buildChipList(&error)) {
        s->error = error.empty() ? "the chip library cannot be read" : error;
        s->instructions.loadBuiltIn(CoreType::CX4A);
        s->otherCore.loadBuiltIn(CoreType::CX4B);
        return s;
    }
    s->options = std::make_unique<OptionsModel>(*s->library, *s->chip);
    int index = 0;
    if (!chipText.empty()) {
        int n = 0;
        auto [p, ec] = std::from_chars(chipText.data(), chipText.data() + chipText.size(), n);
        if (ec == std::errc{} && p == chipText.data() + chipText.size() && n >= 0 &&
            size_t(n) < s->library->entries().size())
            index = n;
        else if (const auto found = s->library->findChipByName(chipText))
            index = *found;
        else
            s->error = "no chip \"" + chipText + "\" in the chip library " +
                       s->library->libraryDir().string();
    }
    if (s->library->entries().empty() || !s->options->chooseChip(index, &error)) {
        s->error = "chip " + std::to_string(index) + " cannot be loaded: " + error;
    }
    s->index = index;
    s->name = s->chip->productName;
    const CoreType core = coreTypeFromVariant(s->chip->coreVariant);
    s->instructions.loadBuiltIn(core);
    s->otherCore.loadBuiltIn(core == CoreType::CX4A ? CoreType::CX4B : CoreType::CX4A);
    return s;
}

namespace {

bool isWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '?' || c == '.' || c == '$';
}
bool isWordChar(char c) {
    return isWordStart(c) || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

std::string_view withoutColon(std::string_view s) {
    if (!s.empty() && s.back() == ':') s.remove_suffix(1);
    return s;
}

bool isOperatorWord(std::string_view w) {
    return w == "HIGH" || w == "LOW" || w == "UP" || w == "AND" || w == "OR" || w == "XOR" ||
           w == "NOT" || w == "MOD" || w == "SHL" || w == "SHR";
}

// Whole-word, case-insensitive search of `word` in `line`.
std::optional<size_t> findWord(std::string_view line, std::string_view word) {
    if (word.empty()) return std::nullopt;
    const std::string upper = toUpperAscii(line);
    const std::string w = toUpperAscii(word);
    size_t at = 0;
    while ((at = upper.find(w, at)) != std::string::npos) {
        const bool before = at == 0 || !isWordChar(upper[at - 1]);
        const size_t end = at + w.size();
        const bool after = end >= upper.size() || !isWordChar(upper[end]);
        if (before && after) return at;
        ++at;
    }
    return std::nullopt;
}

std::string_view firstWord(std::string_view s) {
    size_t e = 0;
    while (e < s.size() && s[e] != ' ' && s[e] != '\t')
        ++e;
    return s.substr(0, e);
}

struct PendingRef {
    size_t file;
    size_t token;
    int macroDef; // the macro whose body holds the word; -1 outside
};

class Indexer {
  public:
    Indexer(Analysis& a, const AssemblyInsight* insight, const DocumentStore& docs)
        : a_(a), insight_(insight), docs_(docs) {
        classifier_.instructions = &a.chip->instructions;
        if (insight) {
            for (size_t i = 0; i < insight->macros.count(); ++i)
                macroNames_.insert(insight->macros.at(i)->name());
        }
        classifier_.isMacroName = [this](std::string_view n) {
            return macroNames_.count(std::string(n)) != 0;
        };
        plainWords_.instructions = &a.chip->instructions;
    }

    void indexFile(size_t f);
    void resolve();

  private:
    int addDef(SymbolDef d) {
        a_.symbols.push_back(std::move(d));
        return int(a_.symbols.size() - 1);
    }
    void operandWords(size_t f, int lineNo, const SourceLine& sl, int k, int macroDef,
                      const std::vector<std::string>& params);
    std::optional<int32_t> valueOf(const std::string& name) const;

    Analysis& a_;
    const AssemblyInsight* insight_;
    const DocumentStore& docs_;
    LineClassifier classifier_;
    LineClassifier plainWords_; // instructions and directives, no macro names
    std::unordered_set<std::string> macroNames_;
    std::vector<PendingRef> pending_;
};

std::optional<int32_t> Indexer::valueOf(const std::string& name) const {
    if (!insight_) return std::nullopt;
    for (const TSymDefPack* t : {&insight_->tables.assembly, &insight_->tables.debugger,
                                 &insight_->tables.defines, &insight_->tables.objectSymbols})
        if (const SymbolEntry* e = t->findEntry(name)) return e->value;
    return std::nullopt;
}

void Indexer::operandWords(size_t f, int lineNo, const SourceLine& sl, int k, int macroDef,
                           const std::vector<std::string>& params) {
    const std::string_view text = sl.field(k);
    const size_t base = sl.fieldStart[size_t(k - 1)] - 1u;
    AnalysedFile& file = a_.files[f];
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') { // a quoted character or string is no word
            const size_t close = text.find(c, i + 1);
            i = close == std::string_view::npos ? text.size() : close + 1;
            continue;
        }
        if (c >= '0' && c <= '9') {
            size_t j = i;
            while (j < text.size() && isWordChar(text[j]))
                ++j;
            file.tokens.push_back(Token{{lineNo, base + i, base + j},
                                        TokenKind::Number,
                                        std::string(text.substr(i, j - i))});
            i = j;
            continue;
        }
        if (!isWordStart(c)) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && isWordChar(text[j]))
            ++j;
        const std::string word(text.substr(i, j - i));
        Token t{{lineNo, base + i, base + j}, TokenKind::Unknown, word};
        i = j;
        if (isOperatorWord(word)) continue;
        if (std::find(params.begin(), params.end(), word) != params.end())
            t.kind = TokenKind::Parameter;
        file.tokens.push_back(std::move(t));
        if (file.tokens.back().kind == TokenKind::Unknown)
            pending_.push_back({f, file.tokens.size() - 1, macroDef});
    }
}

void Indexer::indexFile(size_t f) {
    AnalysedFile& file = a_.files[f];
    std::vector<std::string_view> lines;
    for (int n = 0; n < file.lineCount(); ++n)
        lines.push_back(file.line(n));
    int macroDef = -1;
    std::vector<std::string> params;
    std::vector<int> ifStack;
    for (size_t n = 0; n < lines.size(); ++n) {
        const int lineNo = int(n);
        if (lines[n].empty()) continue;
        SourceLine sl;
        sl.setText(toUpperAscii(lines[n].substr(0, SourceLine::kTextMax)));
        CutLIParasource(sl, classifier_);
        // The reader meets a macro's name on its MACRO line before the name is a macro: there
        // it is the label, as the build sees it.
        if (sl.isMacroCall && sl.hasField(SourceLine::kFirstOperandField) &&
            firstWord(sl.field(SourceLine::kFirstOperandField)) == "MACRO")
            CutLIParasource(sl, plainWords_);
        auto span = [&](int k) {
            const size_t s = sl.fieldStart[size_t(k - 1)] - 1u;
            return LineSpan{lineNo, s, s + sl.fieldLength[size_t(k - 1)]};
        };
        const std::string op(sl.field(SourceLine::kOperationField));
        if (sl.hasField(SourceLine::kLabelField)) {
            LineSpan s = span(SourceLine::kLabelField);
            const std::string name(withoutColon(sl.field(SourceLine::kLabelField)));
            s.end = s.start + name.size();
            SymbolDef d;
            d.name = name;
            d.file = f;
            d.span = s;
            std::string operands;
            for (int k = 1; k <= sl.operandCount(); ++k) {
                if (k > 1) operands += ", ";
                operands += sl.operand(k);
            }
            d.operands = operands;
            if (op == "EQU")
                d.kind = SymbolKind::Equ;
            else if (op == "SET")
                d.kind = SymbolKind::Set;
            else if (op == "DS")
                d.kind = SymbolKind::Ds;
            else if (op == "MACRO")
                d.kind = SymbolKind::Macro;
            else if (op == "LOCAL")
                d.kind = SymbolKind::Local;
            else
                d.kind = SymbolKind::Label;
            if (d.kind == SymbolKind::Local && macroDef >= 0)
                d.scope = a_.symbols[size_t(macroDef)].name;
            if (d.kind != SymbolKind::Macro && d.kind != SymbolKind::Local) d.value = valueOf(name);
            const SymbolKind kind = d.kind;
            const int id = addDef(std::move(d));
            file.tokens.push_back(
                Token{s, kind == SymbolKind::Macro ? TokenKind::Macro : TokenKind::Label, name, id,
                      true});
            if (kind == SymbolKind::Macro) {
                macroDef = id;
                params.clear();
                for (int k = 1; k <= sl.operandCount(); ++k)
                    params.emplace_back(sl.operand(k));
            }
        }
        if (sl.hasField(SourceLine::kOperationField)) {
            TokenKind k = TokenKind::Unknown;
            if (sl.operationId >= 0)
                k = TokenKind::Mnemonic;
            else if (sl.isDirective)
                k = TokenKind::Directive;
            else if (sl.isMacroCall)
                k = TokenKind::Macro;
            file.tokens.push_back(Token{span(SourceLine::kOperationField), k, op});
            if (k == TokenKind::Macro) pending_.push_back({f, file.tokens.size() - 1, macroDef});
        }
        if (op == "DEFINE" && sl.hasField(SourceLine::kFirstOperandField)) {
            SymbolDef d;
            d.name = std::string(sl.operand(1));
            d.kind = SymbolKind::Define;
            d.file = f;
            d.span = span(SourceLine::kFirstOperandField);
            d.operands = std::string(sl.operand(2));
            d.value = valueOf(d.name);
            const int id = addDef(d);
            file.tokens.push_back(Token{d.span, TokenKind::Label, d.name, id, true});
            for (int k = SourceLine::kFirstOperandField + 1; k <= SourceLine::kFieldCount; ++k)
                if (sl.hasField(k)) operandWords(f, lineNo, sl, k, macroDef, params);
        } else if (op == "EXTERN") {
            for (int k = 1; k <= sl.operandCount(); ++k) {
                SymbolDef d;
                d.name = std::string(sl.operand(k));
                d.kind = SymbolKind::Extern;
                d.file = f;
                d.span = span(k + 3);
                const int id = addDef(d);
                file.tokens.push_back(Token{d.span, TokenKind::Label, d.name, id, true});
            }
        } else if (op != "INCLUDE" && op != "MACRO") {
            for (int k = SourceLine::kFirstOperandField; k <= SourceLine::kFieldCount; ++k)
                if (sl.hasField(k)) operandWords(f, lineNo, sl, k, macroDef, params);
        }
        if (sl.hasField(SourceLine::kCommentField))
            file.tokens.push_back(Token{span(SourceLine::kCommentField), TokenKind::Comment, {}});
        if (op == "ENDM" && macroDef >= 0) {
            SymbolDef& m = a_.symbols[size_t(macroDef)];
            if (m.file == f) {
                m.endLine = lineNo;
                file.folds.emplace_back(m.span.line, lineNo);
            }
            macroDef = -1;
            params.clear();
        } else if (op == "IF") {
            ifStack.push_back(lineNo);
        } else if (op == "ENDIF" && !ifStack.empty()) {
            file.folds.emplace_back(ifStack.back(), lineNo);
            ifStack.pop_back();
        }
    }
    std::stable_sort(file.tokens.begin(), file.tokens.end(), [](const Token& x, const Token& y) {
        return x.span.line != y.span.line ? x.span.line < y.span.line : x.span.start < y.span.start;
    });
    // Pending references point at tokens by index: fix them after the sort.
    std::vector<PendingRef> keep;
    for (const PendingRef& p : pending_)
        if (p.file != f) keep.push_back(p);
    std::vector<int> macros; // this file's macros, in line order
    for (size_t s = 0; s < a_.symbols.size(); ++s)
        if (a_.symbols[s].kind == SymbolKind::Macro && a_.symbols[s].file == f)
            macros.push_back(int(s));
    size_t m = 0;
    for (size_t t = 0; t < file.tokens.size(); ++t) {
        const Token& tok = file.tokens[t];
        if (tok.definition || tok.symbol >= 0) continue;
        if (tok.kind != TokenKind::Unknown && tok.kind != TokenKind::Macro) continue;
        while (m < macros.size() && a_.symbols[size_t(macros[m])].endLine >= 0 &&
               a_.symbols[size_t(macros[m])].endLine < tok.span.line)
            ++m;
        int inMacro = -1;
        if (m < macros.size()) {
            const SymbolDef& d = a_.symbols[size_t(macros[m])];
            if (d.span.line < tok.span.line && (d.endLine < 0 || d.endLine >= tok.span.line))
                inMacro = macros[m];
        }
        keep.push_back({f, t, inMacro});
    }
    pending_ = std::move(keep);
}

void Indexer::resolve() {
    std::unordered_map<std::string, std::vector<int>> byName;
    for (size_t i = 0; i < a_.symbols.size(); ++i)
        byName[a_.symbols[i].name].push_back(int(i));
    const ChipModel* chip = a_.chip->chip.get();
    for (const PendingRef& p : pending_) {
        Token& t = a_.files[p.file].tokens[p.token];
        auto it = byName.find(t.word);
        int found = -1;
        if (it != byName.end()) {
            const std::string scope =
                p.macroDef >= 0 ? a_.symbols[size_t(p.macroDef)].name : std::string();
            for (int id : it->second) {
                const SymbolDef& d = a_.symbols[size_t(id)];
                if (d.kind == SymbolKind::Local && d.scope != scope) continue;
                if (found < 0 || (d.kind == SymbolKind::Local && d.scope == scope)) found = id;
            }
        }
        const bool isOp = t.kind == TokenKind::Macro;
        if (found >= 0) {
            t.symbol = found;
            if (!isOp) t.kind = TokenKind::Symbol;
        }
        if (isOp) continue;
        if (chip && findRegister(*chip, t.word))
            t.kind = TokenKind::Register;
        else if (chip && findBit(*chip, t.word))
            t.kind = TokenKind::Bit;
    }
}

} // namespace

Analysis analyse(const fs::path& mainIn, std::shared_ptr<const ChipSetup> chip,
                 const BuildSettings& settings, const DocumentStore& documents) {
    Analysis a;
    a.main = fs::absolute(mainIn).lexically_normal();
    a.chip = chip;

    AssemblyOptions options;
    if (chip->options)
        options =
            assemblyOptionsFrom(*chip->options, settings.assembleOnly ? AssemblyMode::AssembleOnly
                                                                      : AssemblyMode::BuildAndLoad);
    if (settings.smart) options.smartCompiler = *settings.smart;
    if (settings.optimize) options.optimization = *settings.optimize;
    if (settings.protect) options.programProtect = *settings.protect;
    if (settings.wdtJmp0) options.wdtJmp0 = *settings.wdtJmp0;
    if (settings.fill == "00" || settings.fill == "0") options.fill = ImageFill(0);
    if (equalsIgnoreCase(settings.fill, "FF")) options.fill = ImageFill(1);
    if (equalsIgnoreCase(settings.fill, "JMP0")) options.fill = ImageFill(2);
    if (settings.acm == "1.0") options.acm10 = true;
    if (settings.acm == "1.2") options.acm10 = false;
    // Nothing leaves memory: no listing, map, error or image file.
    options.listing = options.asciiFile = options.hexFile = options.objectFile = false;
    options.eehFile = options.ihexFile = options.mapFile = options.errorFile = false;
    options.writeHexFile = false;

    std::vector<std::string> fileNames;
    bool inspected = false;
    AssemblyContext ctx;
    ctx.chip = chip->chip.get();
    ctx.instructions = &chip->instructions;
    ctx.chipListVersion = chip->library ? chip->library->chipListVersionNumber() : 0;
    // As `zerka asm`: a chip header is found by its name in the chip library.
    if (chip->library) ctx.includeDirs.push_back(chip->library->libraryDir());
    ctx.readSource = [&documents](const fs::path& p, std::string& content) {
        return documents.read(p, content);
    };
    // The index is built while the run's tables still exist.
    ctx.inspect = [&](const AssemblyInsight& insight) {
        inspected = true;
        for (const SourceLine& f : insight.files) {
            if (isObjectFileName(f.workingText)) continue;
            AnalysedFile af;
            af.path = fs::path(f.workingText);
            af.key = fileKey(af.path);
            std::string text;
            documents.read(af.path, text);
            af.setText(std::move(text));
            a.files.push_back(std::move(af));
        }
        Indexer ix(a, &insight, documents);
        for (size_t i = 0; i < a.files.size(); ++i)
            ix.indexFile(i);
        ix.resolve();
    };
    const AssemblyResult r = Assemble(a.main, ctx, options);
    a.success = r.success;
    a.reports = r.reports;
    a.otherCoreMnemonic = r.otherCoreMnemonic;
    if (!inspected || a.files.empty()) {
        AnalysedFile af;
        af.path = a.main;
        af.key = fileKey(a.main);
        std::string text;
        documents.read(a.main, text);
        af.setText(std::move(text));
        a.files.push_back(std::move(af));
        Indexer ix(a, nullptr, documents);
        ix.indexFile(0);
        ix.resolve();
    }
    for (const AssemblyError& e : r.reports) {
        size_t f = a.fileIndex(fileKey(fs::path(e.file)));
        if (f >= a.files.size()) f = 0;
        Diagnostic d;
        d.code = e.code;
        d.detail = e.detail;
        d.message = assemblerMessage(e.code, int32_t(programMemorySize(*chip->chip)));
        if (!e.detail.empty()) d.message += " [" + e.detail + "]";
        d.span.line = std::max(0, e.line - 1);
        if (e.line > 0 && e.line <= a.files[f].lineCount()) {
            const std::string_view text = a.files[f].line(e.line - 1);
            if (const auto at = findWord(text, e.detail)) {
                d.span.start = *at;
                d.span.end = *at + e.detail.size();
            } else {
                d.span.end = text.size();
            }
        }
        // A smart-compiled build reports its errors once per pass: one diagnostic is enough.
        std::vector<Diagnostic>& list = a.files[f].diagnostics;
        const bool repeated = std::any_of(list.begin(), list.end(), [&d](const Diagnostic& o) {
            return o.code == d.code && o.span.line == d.span.line && o.message == d.message;
        });
        if (!repeated) list.push_back(std::move(d));
    }
    return a;
}

std::string chipNamedByIncludes(std::string_view text, const ChipLibrary& library) {
    LineClassifier none;
    for (std::string_view raw : splitLines(text)) {
        SourceLine sl;
        sl.setText(toUpperAscii(raw.substr(0, SourceLine::kTextMax)));
        CutLIParasource(sl, none);
        if (sl.field(SourceLine::kOperationField) != "INCLUDE") continue;
        std::string name = normalizeSeparators(sl.operand(1));
        const size_t slash = name.rfind('/');
        if (slash != std::string::npos) name.erase(0, slash + 1);
        const size_t dot = name.find('.');
        if (dot != std::string::npos) name.erase(dot);
        if (name.empty()) continue;
        if (const auto index = library.findChipByName(name))
            return library.entries()[size_t(*index)].name;
    }
    return {};
}

std::optional<fs::path> findProjectFile(const fs::path& folder) {
    std::error_code ec;
    for (fs::path dir = folder; !dir.empty(); dir = dir.parent_path()) {
        std::vector<fs::path> found;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string ext = toUpperAscii(it->path().extension().string());
            if ((ext == ".PRJ" || ext == ".CFG") && it->is_regular_file(ec))
                found.push_back(it->path());
        }
        if (!found.empty()) {
            // A project wins over a configuration file; then the first name.
            std::sort(found.begin(), found.end(), [](const fs::path& x, const fs::path& y) {
                const bool px = toUpperAscii(x.extension().string()) == ".PRJ";
                const bool py = toUpperAscii(y.extension().string()) == ".PRJ";
                return px != py ? px : x < y;
            });
            return found.front();
        }
        if (dir == dir.parent_path()) break;
    }
    return std::nullopt;
}

bool readProjectFile(const fs::path& file, const ChipLibrary& library, BuildSettings& out) {
    std::string text;
    if (!readFileBytes(file, text)) return false;
    // The file is read whatever version wrote it: its first line is taken as the version.
    const std::string_view first = splitLines(text).front();
    ConfigurationFile cfg;
    const ConfigReadResult r = parseConfiguration(text, first, cfg);
    if (!r.has(9)) return false;
    if (cfg.chipIndex >= 0 && size_t(cfg.chipIndex) < library.entries().size())
        out.chip = library.entries()[size_t(cfg.chipIndex)].name;
    if (!cfg.mainFile.empty()) {
        fs::path m(normalizeSeparators(cfg.mainFile));
        if (m.is_relative()) m = file.parent_path() / m;
        out.main = m.lexically_normal();
    }
    if (r.has(16)) out.smart = cfg.smartCompiler;
    if (r.has(18)) out.protect = cfg.programProtect;
    return true;
}

namespace {

RegisterInfo fromBit(const BitRegister& r) {
    RegisterInfo i;
    i.name = r.name;
    i.address = r.address;
    i.description = r.description;
    for (size_t b = 0; b < 8; ++b)
        i.bits[b] = r.bits[b].name;
    return i;
}

} // namespace

std::optional<RegisterInfo> findRegister(const ChipModel& chip, std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (const BitRegister& r : chip.bitRegisters)
        if (equalsIgnoreCase(r.name, name)) return fromBit(r);
    for (const ByteRegister& r : chip.byteRegisters)
        if (!r.unnamed && equalsIgnoreCase(r.name, name)) {
            RegisterInfo i;
            i.name = r.name;
            i.address = r.address;
            i.description = r.description;
            return i;
        }
    for (const WordRegister& r : chip.wordRegisters)
        if (equalsIgnoreCase(r.name, name)) {
            RegisterInfo i;
            i.name = r.name;
            i.address = r.highAddress;
            i.description = r.description;
            i.word = true;
            return i;
        }
    return std::nullopt;
}

std::optional<std::pair<RegisterInfo, int>> findBit(const ChipModel& chip, std::string_view name) {
    if (name.empty() || name == "-") return std::nullopt;
    for (const BitRegister& r : chip.bitRegisters)
        for (size_t b = 0; b < 8; ++b)
            if (equalsIgnoreCase(r.bits[b].name, name))
                return std::make_pair(fromBit(r), int(7 - b));
    return std::nullopt;
}

} // namespace zerka::lsp
