// `zerka disasm`: shows instruction words as the program-memory window does.
//   zerka disasm [--core CX4A|CX4B] WORD...
//   zerka disasm [--core CX4A|CX4B] --image FILE [--from ADDR] [--count N]
#include "cli/commands.h"
#include "cli/cli_options.h"

#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/text.h"
#include "upcentre/core/instruction_set.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

struct DisasmOptions {
    std::string core = "CX4A";
    std::vector<std::string> words;
    std::string image;
    std::string from;
    std::string count;
};

// Hexadecimal with an optional "0x" prefix or "h" suffix, at most `max`.
std::optional<uint32_t> parseHex(std::string_view text, uint32_t max) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H'))
        text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<uint64_t> parseCount(std::string_view text) {
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void printLine(std::ostream& out, const InstructionSet& set, uint32_t address, uint16_t word) {
    out << hexText(address, 4) << ' ' << hexText(word, 4) << ' ' << set.disassemble(word) << '\n';
}

int runDisasm(const DisasmOptions& o, CliContext& ctx) {
    const char* me = "zerka disasm: ";
    CoreType core;
    if (equalsIgnoreCase(o.core, "CX4A")) {
        core = CoreType::CX4A;
    } else if (equalsIgnoreCase(o.core, "CX4B")) {
        core = CoreType::CX4B;
    } else {
        ctx.err << me << "unknown core \"" << o.core << "\" (use CX4A or CX4B)\n";
        return kExitUsage;
    }
    // The disassembly shows mnemonics only, so the aliases of Inst.txt are not needed.
    InstructionSet set(core);

    constexpr uint32_t kMaxAddress = 0xFFFFF; // the 20-bit program counter
    uint32_t from = 0;
    if (!o.from.empty()) {
        auto v = parseHex(o.from, kMaxAddress);
        if (!v) {
            ctx.err << me << "--from \"" << o.from
                    << "\" is not a hexadecimal address (0 to FFFFF)\n";
            return kExitUsage;
        }
        from = *v;
    }
    std::optional<uint64_t> count;
    if (!o.count.empty()) {
        count = parseCount(o.count);
        if (!count) {
            ctx.err << me << "--count \"" << o.count << "\" is not a decimal number of words\n";
            return kExitUsage;
        }
    }

    if (o.image.empty()) {
        if (o.words.empty()) {
            ctx.err << me << "give the words to disassemble, or --image FILE\n";
            return kExitUsage;
        }
        std::vector<uint16_t> words;
        for (const std::string& w : o.words) {
            auto v = parseHex(w, 0xFFFF);
            if (!v) {
                ctx.err << me << "\"" << w << "\" is not a hexadecimal word (0000 to FFFF)\n";
                return kExitUsage;
            }
            words.push_back(static_cast<uint16_t>(*v));
        }
        size_t n = count ? std::min<uint64_t>(*count, words.size()) : words.size();
        for (size_t i = 0; i < n; ++i)
            printLine(ctx.out, set, static_cast<uint32_t>(from + i), words[i]);
        return kExitOk;
    }

    if (const auto problem = inputFileProblem(o.image)) {
        ctx.err << me << *problem << '\n';
        return kExitUsage;
    }
    std::filesystem::path path(o.image);
    std::string bytes;
    bool read = false;
    try {
        read = readFileBytes(path, bytes);
    } catch (const std::exception&) {
        read = false;
    }
    if (!read) {
        ctx.err << me << "cannot read the image file \"" << o.image << "\"\n";
        return kExitUsage;
    }
    size_t wordCount = bytes.size() / 2;
    if (bytes.size() % 2 != 0)
        ctx.err << me << "\"" << o.image << "\" has an odd number of bytes (" << bytes.size()
                << "); the last byte is not a whole word and is not shown\n";
    if (!o.from.empty() && from >= wordCount) {
        ctx.err << me << "--from " << hexText(from, 4) << " is beyond the end of the image ("
                << wordCount << " words)\n";
        return kExitUsage;
    }
    size_t available = wordCount > from ? wordCount - from : 0;
    size_t n = count ? std::min<uint64_t>(*count, available) : available;
    for (size_t i = 0; i < n; ++i) {
        size_t at = (from + i) * 2;
        auto word = static_cast<uint16_t>((static_cast<uint8_t>(bytes[at]) << 8) |
                                          static_cast<uint8_t>(bytes[at + 1]));
        printLine(ctx.out, set, static_cast<uint32_t>(from + i), word);
    }
    return kExitOk;
}

} // namespace

void registerDisasmCommand(CLI::App& app, CliContext& ctx) {
    auto opts = std::make_shared<DisasmOptions>();
    CLI::App* sub = app.add_subcommand(
        "disasm", "Disassemble instruction words: address, word and instruction, one per line");
    sub->add_option("--core", opts->core, "CPU core: CX4A (default) or CX4B");
    CLI::Option* words =
        sub->add_option("words", opts->words, "Instruction words in hexadecimal (e.g. 122A)");
    CLI::Option* image =
        sub->add_option("--image", opts->image, "Word image file (words high byte first)");
    words->excludes(image);
    sub->add_option("--from", opts->from, "Address of the first word, hexadecimal (default 0)");
    sub->add_option("--count", opts->count, "Number of words to show, decimal (default: all)");
    sub->callback([opts, &ctx] { ctx.exitCode = runDisasm(*opts, ctx); });
}

} // namespace zerka::cli
