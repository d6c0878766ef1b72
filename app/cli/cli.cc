#include "app/cli/cli.h"

#include <string>

#include "app/cli/commands.h"
#include "host/archive.h"
#include "host/context.h"
#include "host/strings.h"

namespace cartera::cli {
namespace {

constexpr const char* kProgram = "cartera-cli";

int Report(std::ostream& err, int code, const std::string& message) {
    err << kProgram << ": " << message << '\n';
    return code;
}

struct GlobalArgs {
    std::string home;
    std::string lang;
};

// ctx with the home folder and the language the command line gives instead of its own.
Context WithGlobals(Context ctx, const GlobalArgs& g, const CLI::Option* home,
                    const CLI::Option* lang) {
    if (lang->count() > 0 && !ParseLanguage(g.lang, &ctx.language))
        FailUsage("--lang must be en, de, fr, it or es, not '" + g.lang + "'");
    if (home->count() > 0 && g.home.empty()) FailUsage("--home must name a folder");
    if (home->count() > 0) ctx.home = g.home;
    return ctx;
}

int Run(const Context& context, int argc, char** argv, std::ostream& out, std::ostream& err,
        CliTerminal terminal) {
    Context ctx = context;  // the commands see it with --home and --lang once they are read
    const Output io{out, err, ctx, terminal.color, terminal.progress};
    CLI::App app{"Portfolio ledger from the command line", kProgram};
    app.require_subcommand(1);
    app.fallthrough();  // global options may also follow the command
    GlobalArgs globals;
    CLI::Option* home = app.add_option("--home", globals.home,
                                       "home folder (default: $CARTERA_HOME, then the "
                                       "user's data folder)");
    CLI::Option* lang = app.add_option("--lang", globals.lang,
                                       "interface language: en, de, fr, "
                                       "it or es (default en)");
    Commands commands;
    AddJournalCommands(app, io, commands);
    AddShowCommand(app, io, commands);
    AddCsvCommands(app, io, commands);
    AddCommissionCommands(app, io, commands);
    AddReportCommand(app, io, commands);
    AddRatesCommands(app, io, commands);
    AddDemoCommand(app, io, commands);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, io.out, io.err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, io.out, io.err);
    } catch (const CLI::ParseError& e) {
        return Report(io.err, ExitStatus(ErrorKind::invalid_input), e.what());
    }
    ctx = WithGlobals(context, globals, home, lang);
    // The texts LS looks up read the process's language: ctx's for this call alone.
    const ScopedLanguage language(ctx.language);
    SetWarningStream(&io.err);
    for (const Command& c : commands) {
        if (c.sub->parsed()) {
            c.run();
            return kExitOk;
        }
    }
    return Report(io.err, ExitStatus(ErrorKind::invalid_input), "no command given");
}

}  // namespace
}  // namespace cartera::cli

int RunCli(const cartera::Context& context, int argc, char** argv, std::ostream& out,
           std::ostream& err, CliTerminal terminal) {
    using namespace cartera::cli;
    NoteChangeSaved(false);
    // Warnings go to this run's error stream only.
    struct WarningsEnd {
        ~WarningsEnd() { SetWarningStream(nullptr); }
    } warningsEnd;
    try {
        int code = Run(context, argc, argv, out, err, terminal);
        // Results cut short (a full disk, a closed pipe) must not pass for complete ones,
        // nor a saved change for a failed one, which a retrying script would make twice.
        if (!out.flush()) {
            if (ChangeSaved())
                return Report(err, kExitSavedOutputLost,
                              "warning: the change was saved, but its output could not be "
                              "written");
            return Report(err, ExitStatus(cartera::ErrorKind::io), "cannot write the output");
        }
        return code;
    } catch (const cartera::Error& e) {
        return Report(err, ExitStatus(e.kind()), e.what());
    } catch (const std::exception& e) {
        // Anything else escaped every check: the program's fault, never the files'.
        return Report(err, ExitStatus(cartera::ErrorKind::bug),
                      std::string("internal error: ") + e.what());
    }
}
