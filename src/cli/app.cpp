#include "cli/app.h"
#include "cli/cli_options.h"

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
    registerProgCommand(app, ctx);
    registerBuildCommand(app, ctx);
    registerLspCommand(app, ctx);
    registerDapCommand(app, ctx);
    app.footer("Run \"zerka help COMMAND\" or \"zerka COMMAND --help\" for a command's options. "
               "Exit status: 0 success, 1 the job failed, 2 usage error, 3 (sim) an expectation "
               "failed.");

    // `zerka help [COMMAND]` is the same as --help.
    if (!args.empty() && args[0] == "help") {
        if (args.size() == 1) {
            out << app.help();
            return kExitOk;
        }
        CLI::App* sub = nullptr;
        try {
            sub = args.size() == 2 ? app.get_subcommand(args[1]) : nullptr;
        } catch (const CLI::OptionNotFound&) {
        }
        if (!sub) {
            err << "zerka: \"help\" takes one command name: "
                << "asm, build, chips, disasm, prog, sim or target\n";
            return kExitUsage;
        }
        out << sub->help(app.get_name());
        return kExitOk;
    }

    // A first word that names no command is refused before CLI11 sees a --help after it.
    if (!args.empty() && !args[0].empty() && args[0][0] != '-') {
        const std::function<bool(CLI::App*)> all = [](CLI::App*) { return true; };
        bool known = false;
        for (const CLI::App* sub : app.get_subcommands(all))
            known = known || sub->check_name(args[0]);
        if (!known) {
            err << "zerka: unknown command \"" << args[0] << "\"\n"
                << "zerka: Run \"zerka help\" for the commands.\n";
            return kExitUsage;
        }
    }

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
        // The command's own prefix, as its other messages have.
        std::string me = "zerka: ";
        std::string hint = "Run \"zerka help\" for the commands.";
        for (CLI::App* sub : app.get_subcommands())
            if (sub->parsed()) {
                me = "zerka " + sub->get_name() + ": ";
                hint = "Run \"zerka help " + sub->get_name() + "\" for its options.";
            }
        err << me << e.what() << "\n" << me << hint << "\n";
        return kExitUsage;
    }
    return ctx.exitCode;
}

} // namespace zerka::cli
