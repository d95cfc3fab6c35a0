// `zerka chips`: the chip library.
//   zerka chips [--lib DIR]                      one line per chip
//   zerka chips [--lib DIR] --show INDEX|NAME [--json] [--language EN|CN]
#include "cli/chip_json.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/prog_chip.h"

#include "chip/chip_catalogue.h"
#include "chip/chip_library.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"
#include "core/text.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace zerka::cli {
namespace {

struct ChipsOptions {
    std::string lib;
    std::string show;
    bool json = false;
    std::string language = "EN";
};

const char* coreName(const ChipModel& m) {
    return m.coreVariant == 0 ? "CX4A" : "CX4B";
}

// One pass over the list: a load per entry would read the whole list again each time.
int listChips(ChipLibrary& library, CliContext& ctx) {
    int status = kExitOk;
    const auto& entries = library.entries();
    ChipCatalogue catalogue(library);
    // The index column fits the largest index: a cut index would name another chip.
    const size_t indexWidth =
        std::max<size_t>(3, std::to_string(entries.empty() ? 0 : entries.size() - 1).size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ChipEntry& e = entries[i];
        std::string error;
        ctx.out << padRight(std::to_string(i), indexWidth) << ' ' << padRight(e.listText, 20) << ' '
                << padRight(e.fileName, 20) << ' ';
        if (const std::shared_ptr<const ChipModel> model = catalogue.model(i, &error)) {
            ctx.out << padRight(coreName(*model), 5) << " chipId " << hexText(model->chipId, 4)
                    << "h romWords " << model->romWords << '\n';
        } else {
            ctx.out << "-\n";
            ctx.err << "zerka chips: chip " << i << " (" << e.name << "): " << error << '\n';
            status = kExitFailed;
        }
    }
    return status;
}

int runChips(const ChipsOptions& o, CliContext& ctx) {
    const char* me = "zerka chips: ";
    int languageIndex = 0;
    if (equalsIgnoreCase(o.language, "CN")) {
        languageIndex = 1;
    } else if (!equalsIgnoreCase(o.language, "EN")) {
        ctx.err << me << "unknown language \"" << o.language << "\" (use EN or CN)\n";
        return kExitUsage;
    }
    ChipLibrary library(o.lib.empty() ? chipLibraryDir() : std::filesystem::path(o.lib));
    std::string error;
    if (!library.buildChipList(&error)) {
        ctx.err << me << error << '\n';
        return kExitUsage;
    }
    if (o.show.empty()) return listChips(library, ctx);

    const std::optional<int> index = findChip(library, o.show);
    if (!index) {
        ctx.err << me << "no chip \"" << o.show << "\" in the chip library "
                << library.libraryDir().string() << " (" << library.entries().size()
                << " chips; give an index or a chip name)\n";
        return kExitUsage;
    }
    ChipModel model;
    ChipLoadContext load;
    load.languageIndex = languageIndex;
    if (!library.GetSELUP(*index, model, load, &error)) {
        ctx.err << me << "chip " << *index << " (" << library.entries()[size_t(*index)].name
                << ") cannot be loaded: " << error << '\n';
        return kExitUsage;
    }
    const ChipEntry& e = library.entries()[size_t(*index)];
    if (o.json) {
        nlohmann::json j = chipModelToJson(model);
        j["chipIndex"] = *index;
        j["chipListVersion"] = library.chipListVersion();
        j["chipListVersionNumber"] = library.chipListVersionNumber();
        ctx.out << dumpJson(j) << '\n';
        return kExitOk;
    }
    ctx.out << padRight("chipIndex", 24) << ' ' << *index << '\n'
            << padRight("chip", 24) << ' ' << e.listText << '\n'
            << padRight("descriptionFile", 24) << ' ' << e.fileName << '\n'
            << padRight("chipListVersion", 24) << ' ' << library.chipListVersion() << '\n'
            << padRight("chipListVersionNumber", 24) << ' '
            << hexText(library.chipListVersionNumber(), 3) << "h\n";
    printChipModel(ctx.out, model);
    return kExitOk;
}

} // namespace

void registerChipsCommand(CLI::App& app, CliContext& ctx) {
    auto opts = std::make_shared<ChipsOptions>();
    CLI::App* sub = app.add_subcommand("chips", "List the chip library (index, chip, description "
                                                "file, core, chipId, romWords) or show one chip");
    sub->add_option("--lib", opts->lib,
                    "Chip library folder (default: INCLUDE in the program directory)");
    sub->add_option("--show", opts->show,
                    "Show the loaded chip model of the chip with this index or name");
    sub->add_flag("--json", opts->json, "With --show: the chip model as JSON");
    sub->add_option("--language", opts->language,
                    "With --show: description texts in EN (default) or CN");
    sub->callback([opts, &ctx] {
        if (opts->json && opts->show.empty()) {
            ctx.err << "zerka chips: --json needs --show INDEX|NAME\n";
            ctx.exitCode = kExitUsage;
            return;
        }
        runCommand(ctx, "zerka chips: ", [&] { return runChips(*opts, ctx); });
    });
}

} // namespace zerka::cli
