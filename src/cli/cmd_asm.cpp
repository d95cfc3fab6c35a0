// `zerka asm`: assembles a main source file for a chip of the library and writes the output
// files beside it, as the IDE's "Assemble" and "Assemble&&Run" commands do.
#include "cli/commands.h"
#include "cli/cli_options.h"

#include "asm/assembler.h"
#include "cli/asm_options.h"
#include "core/text.h"

#include <memory>
#include <string>

namespace zerka::cli {
namespace {

int runAsm(const AsmCommandOptions& o, CliContext& ctx) {
    const std::unique_ptr<AsmSetup> setup =
        prepareAssembly(o, o.assembleOnly ? AssemblyMode::AssembleOnly : AssemblyMode::BuildAndLoad,
                        ctx.err, "zerka asm: ");
    if (!setup) return kExitUsage;
    PrefixedLog log(ctx.err, "zerka asm: ");
    const AssemblyResult result = Assemble(o.main, setup->context(log), setup->assembly);
    // The log has said which output would replace which input.
    if (result.refused) return kExitUsage;
    if (const auto hint = coreHint(result, *setup->chip)) ctx.err << "zerka asm: " << *hint << '\n';
    // A failed run has no image, so no checksum of one.
    if (!result.success) return kExitFailed;
    ctx.out << "Checksum = 0x" << hexText(result.checksum, 4) << '\n';
    return kExitOk;
}

} // namespace

void registerAsmCommand(CLI::App& app, CliContext& ctx) {
    auto o = std::make_shared<AsmCommandOptions>();
    CLI::App* sub = app.add_subcommand(
        "asm", "Assemble MAIN for a chip; output files beside it, messages on stderr, the "
               "checksum on stdout. Without a switch a setting takes the options' value for the "
               "chosen chip.");
    addAsmOptions(sub, *o, true);
    sub->add_option("MAIN", o->main, "Main source file")->required();
    sub->callback([o, &ctx] { runCommand(ctx, "zerka asm: ", [&] { return runAsm(*o, ctx); }); });
}

} // namespace zerka::cli
