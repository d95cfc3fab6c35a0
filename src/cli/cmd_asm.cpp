// `zerka asm`: assembles a main source file for a chip of the library and writes the output
// files beside it, as the IDE's "Assemble" and "Assemble&&Run" commands do.
#include "cli/commands.h"

#include "asm/assembler.h"
#include "cli/asm_options.h"
#include "core/text.h"

#include <memory>
#include <string>

namespace zerka::cli {
namespace {

// Prints the assembler's message lines as they come.
class StderrLog : public MessageLog {
  public:
    explicit StderrLog(std::ostream& err) : err_(err) {}
    void AddEntry(const std::string&, int, const std::string& text) override {
        err_ << "zerka asm: " << text << '\n';
    }
    void ClearLog() override {}

  private:
    std::ostream& err_;
};

int runAsm(const AsmCommandOptions& o, CliContext& ctx) {
    const std::unique_ptr<AsmSetup> setup =
        prepareAssembly(o, o.assembleOnly ? AssemblyMode::AssembleOnly : AssemblyMode::BuildAndLoad,
                        ctx.err, "zerka asm: ");
    if (!setup) return kExitUsage;
    StderrLog log(ctx.err);
    AssemblyContext context;
    context.chip = setup->chip;
    context.instructions = &setup->instructions;
    context.chipListVersion = setup->library->chipListVersionNumber();
    context.log = &log;
    context.includeDirs = setup->includeDirs;
    const AssemblyResult result = Assemble(o.main, context, setup->assembly);
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
    sub->callback([o, &ctx] {
        try {
            ctx.exitCode = runAsm(*o, ctx);
        } catch (const std::exception& e) {
            ctx.err << "zerka asm: " << e.what() << '\n';
            ctx.exitCode = kExitFailed;
        }
    });
}

} // namespace zerka::cli
