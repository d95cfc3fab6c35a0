#include "cli/app.h"

#include "cli/commands.h"

#include <algorithm>

namespace zerka::cli {

int runZerka(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CliContext ctx{out, err};
    CLI::App app{"Zerka-IDE command-line tool: chip library, assembler, simulator and target link",
                 "zerka"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "zerka 0.1.0");
    registerDisasmCommand(app, ctx);
    registerChipsCommand(app, ctx);
    registerAsmCommand(app, ctx);
    registerTargetCommand(app, ctx);
    registerSimCommand(app, ctx);
    registerBuildCommand(app, ctx);



    // CLI11 parses argv back to front.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kExitOk;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            // --help on a subcommand
            for (CLI::App* sub : app.get_subcommands())
                if (sub->parsed()) {
                    out << sub->help();
                    return kExitOk;
                }
            out << app.help();
            return kExitOk;
        }
        err << "zerka: " << e.what() << "\n";
        for (CLI::App* sub : app.get_subcommands())
            if (sub->parsed()) err << "Run with " << sub->get_name() << " --help for more information.\n";
        return kExitUsage;
    }
    return ctx.exitCode;
}

} // namespace zerka::cli
