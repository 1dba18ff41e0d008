// lir2orbit-cli migrate: the window's Start, from a terminal.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "app/CliMessageBox.h"
#include "app/CliRunHost.h"
#include "app/Connections.h"
#include "app/LoadTableList.h"
#include "app/StartChecks.h"
#include "core/ProgramDir.h"
#include "engine/RunContext.h"
#include "engine/TCopyDataThread.h"

namespace {

constexpr int kCompleted = 0;
constexpr int kRunFailed = 1;
constexpr int kRefused = 2;

struct MigrateOptions {
    std::string home;
    std::optional<bool> resume;
    // Values given on the command line; the rest come from config.ini.
    std::vector<std::pair<std::string, std::string>> fields;
};

MigrateOptions parseOptions(const std::vector<std::string>& args) {
    static const char* const kValueOptions[] = {
        "--home",      "--source-server", "--source-port", "--source-user", "--source-password",
        "--source-db", "--target-server", "--target-port", "--target-user", "--target-password",
        "--target-db"};
    MigrateOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--resume" || arg == "--no-resume") {
            options.resume = arg == "--resume";
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        bool known = false;
        for (const char* option : kValueOptions) known = known || name == option;
        if (!known) throw std::invalid_argument("unknown option '" + arg + "'");
        if (!value) {
            if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
            value = args[++i];
        }
        if (name == "--home") {
            options.home = *value;
        } else {
            options.fields.emplace_back(name, *value);
        }
    }
    return options;
}

void applyField(app::Connections& c, const std::string& name, const std::string& value) {
    struct Target {
        const char* option;
        std::string app::SideFields::*field;
        bool source;
    };
    static const Target kTargets[] = {
        {"--source-server", &app::SideFields::server, true},
        {"--source-port", &app::SideFields::port, true},
        {"--source-user", &app::SideFields::user, true},
        {"--source-password", &app::SideFields::password, true},
        {"--source-db", &app::SideFields::database, true},
        {"--target-server", &app::SideFields::server, false},
        {"--target-port", &app::SideFields::port, false},
        {"--target-user", &app::SideFields::user, false},
        {"--target-password", &app::SideFields::password, false},
        {"--target-db", &app::SideFields::database, false},
    };
    for (const auto& t : kTargets) {
        if (name == t.option) (t.source ? c.source() : c.target()).*(t.field) = value;
    }
}

int migrate(const std::vector<std::string>& args) {
    MigrateOptions options;
    try {
        options = parseOptions(args);
    } catch (const std::invalid_argument& e) {
        std::cerr << "lir2orbit-cli migrate: " << e.what() << " (see lir2orbit-cli --help)\n";
        return kRefused;
    }
    std::string home = options.home.empty() ? core::executableDir() : options.home;

    app::CliMessageBox messages(std::cerr, std::cin, isatty(fileno(stdin)) != 0, options.resume);
    app::Connections connections(home, messages);
    connections.loadFields();
    for (const auto& [name, value] : options.fields) applyField(connections, name, value);

    engine::RunContext ctx;
    ctx.LoadTableList = app::loadTableList("loadtable.txt");

    app::CliRunHost host(std::cout, isatty(fileno(stdout)) != 0, messages);
    app::StartCheckResult checks =
        app::runStartChecks(connections, ctx.ToolVersionMajor + "." + ctx.ToolVersionMinor,
                            [&host](const std::string& text) { host.appendLog(text); });
    host.finish();
    if (checks.outcome == app::StartCheckOutcome::Refused) return kRefused;
    if (checks.outcome == app::StartCheckOutcome::Failed) return kRunFailed;

    connections.fillRunContext(ctx);
    ctx.host = &host;
    engine::RunOutcome outcome = engine::TCopyDataThread(ctx).Execute();
    host.finish();
    return outcome == engine::RunOutcome::Completed ? kCompleted : kRunFailed;
}

const cli::CommandRegistration registration{cli::Command{
    "migrate",
    "migrate [--home DIR] [--source-server S] [--source-port P] [--source-user U]\n"
    "          [--source-password W] --source-db D [--target-server S] [--target-port P]\n"
    "          [--target-user U] [--target-password W] --target-db D [--resume | --no-resume]",
    "migrates the source account set into the target one, as Start does in the window;\n"
    "      unset fields come from config.ini in the program directory (or --home). Exit\n"
    "      status 0 when the import completed, 2 when the checks refused, 1 when it failed.",
    migrate}};

}  // namespace
