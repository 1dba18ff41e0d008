// lir2orbit-cli migrate: the window's Start, from a terminal or a script.

#include <atomic>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CommandRegistry.h"
#include "StopSignals.h"
#include "app/CliMessageBox.h"
#include "app/CliRunHost.h"
#include "app/Connections.h"
#include "app/LoadTableList.h"
#include "app/StartChecks.h"
#include "core/Settings.h"
#include "core/TextRules.h"
#include "engine/RunContext.h"
#include "engine/RunReportFile.h"
#include "engine/TCopyDataThread.h"
#include "engine/TableResult.h"

namespace {

// Without a terminal nobody can answer the resume question, and answering it No
// by default would start hours of work over: refuse before touching either side.
bool refuseUnansweredResume(const app::Connections& connections, const cli::Arguments& args) {
    if (args.flag("--resume") || args.flag("--no-resume") || cli::stdinIsTerminal()) return false;
    core::Settings settings(core::settingsPath(connections.programDir()));
    const std::string section =
        core::resumeSection(connections.source().database, connections.target().database);
    const std::string step = settings.historyStep(section);
    if (core::compareBytes(step, core::settings::kNoStep) <= 0) return false;
    const std::string table = settings.historyTableName(section);
    std::cerr << "lir2orbit-cli migrate: an earlier run from " << connections.source().database
              << " to " << connections.target().database << " stopped at step " << step
              << (table.empty() ? std::string() : ", table " + table)
              << ".\nThere is no terminal to ask whether to go on: pass --resume to continue it, "
                 "or --no-resume to start over.\n";
    return true;
}

std::string warnings(const engine::TableResult& table) {
    std::string text;
    for (const auto& column : table.changedColumns) {
        text += (text.empty() ? "" : ", ") + column.column + " (" + std::to_string(column.values) +
                " changed)";
    }
    if (table.status == engine::TableStatus::Failed)
        text += (text.empty() ? "" : "; ") + table.error;
    return text;
}

std::string count(int64_t rows) { return rows < 0 ? "-" : std::to_string(rows); }

void printSummary(std::ostream& out, const engine::RunReport& report) {
    if (report.tables.empty()) return;
    size_t width = 5;
    for (const auto& table : report.tables) width = std::max(width, table.table.size());
    out << "\n"
        << std::left << std::setw(static_cast<int>(width)) << "table"
        << "  " << std::setw(8) << "status" << std::right << std::setw(12) << "source rows"
        << std::setw(12) << "target rows"
        << "  warnings\n";
    for (const auto& table : report.tables) {
        out << std::left << std::setw(static_cast<int>(width)) << table.table << "  "
            << std::setw(8) << engine::statusName(table.status) << std::right << std::setw(12)
            << count(table.sourceRows) << std::setw(12) << count(table.targetRows) << "  "
            << warnings(table) << "\n";
    }
    out << std::flush;
}

app::ProgressPace progressPace(const cli::Arguments& args) {
    app::ProgressPace pace;
    if (auto every = args.value("--progress-every")) {
        double seconds = -1;
        try {
            seconds = std::stod(*every);
        } catch (const std::exception&) {
        }
        if (seconds < 0) throw cli::UsageError("--progress-every needs a number of seconds");
        pace.pipeLine = std::chrono::duration_cast<app::ProgressPace::Clock::duration>(
            std::chrono::duration<double>(seconds));
    }
    return pace;
}

int migrate(const std::vector<std::string>& raw) {
    std::set<std::string> options = cli::connectionOptions("source", true);
    options.merge(cli::connectionOptions("target", true));
    options.insert({"--home", "--report", "--progress-every"});
    cli::Arguments args(raw, options, {"--resume", "--no-resume"});
    if (!args.positional().empty())
        throw cli::UsageError("unexpected argument '" + args.positional()[0] + "'");
    if (args.flag("--resume") && args.flag("--no-resume"))
        throw cli::UsageError("--resume and --no-resume exclude each other");
    std::optional<bool> resume;
    if (args.flag("--resume") || args.flag("--no-resume")) resume = args.flag("--resume");
    const app::ProgressPace pace = progressPace(args);

    engine::RunContext ctx;
    try {
        ctx.LoadTableList = app::loadTableList("loadtable.txt");
    } catch (const std::exception& e) {
        throw cli::UsageError(e.what());
    }

    app::CliMessageBox messages(std::cerr, std::cin, cli::stdinIsTerminal(), resume);
    app::Connections connections(cli::programDirectory(args), messages);
    connections.loadFields();
    cli::applyConnectionOptions(connections, args, "source");
    cli::applyConnectionOptions(connections, args, "target");
    cli::printReasons(connections);
    if (refuseUnansweredResume(connections, args)) return cli::kExitUsage;

    const std::atomic<bool>& stopRequested = cli::stopOnTerminationSignals();
    app::CliRunHost host(std::cout, cli::stdoutIsTerminal(), messages, pace);
    app::StartCheckResult checks =
        app::runStartChecks(connections, ctx.ToolVersionMajor + "." + ctx.ToolVersionMinor,
                            [&host](const std::string& text) { host.appendLog(text); });
    host.finish();
    if (checks.outcome == app::StartCheckOutcome::Refused) return cli::kExitRefused;
    if (checks.outcome == app::StartCheckOutcome::Failed) return cli::kExitFailed;
    if (stopRequested.load()) return cli::kExitInterrupted;

    connections.fillRunContext(ctx);
    ctx.host = &host;
    ctx.stopRequested = &stopRequested;
    engine::RunOutcome outcome = engine::TCopyDataThread(ctx).Execute();
    host.finish();
    printSummary(std::cout, ctx.report);

    int status = outcome == engine::RunOutcome::Completed     ? cli::kExitDone
                 : outcome == engine::RunOutcome::Interrupted ? cli::kExitInterrupted
                                                              : cli::kExitFailed;
    if (auto reportFile = args.value("--report")) {
        try {
            engine::saveRunReportJson(*reportFile, ctx.report);
        } catch (const std::exception& e) {
            // Automation reads the file: a run without it has not told its result.
            std::cerr << "lir2orbit-cli migrate: the report was not written: " << e.what() << "\n";
            if (status == cli::kExitDone) status = cli::kExitFailed;
        }
    }
    return status;
}

const cli::CommandRegistration registration{cli::Command{
    "migrate",
    "migrate [--home DIR] [--source-server S] [--source-port P] [--source-user U]\n"
    "          [--source-password W] --source-db D [--target-server S] [--target-port P]\n"
    "          [--target-user U] [--target-password W] --target-db D [--resume | --no-resume]\n"
    "          [--report FILE] [--progress-every SECONDS]",
    "migrates the source account set into the target one, as Start does in the window;\n"
    "      unset fields come from config.ini in the program directory (or --home), the\n"
    "      passwords also from LIR2ORBIT_SOURCE_PASSWORD and LIR2ORBIT_TARGET_PASSWORD or a\n"
    "      prompt on the terminal. An earlier run's record is resumed or not as --resume or\n"
    "      --no-resume says, else as answered on the terminal; without a terminal and\n"
    "      without either option the command refuses (exit 2). --report writes the per-table\n"
    "      report as JSON; on a pipe a table being copied shows a progress line every\n"
    "      SECONDS (default 5). SIGINT or SIGTERM stops at the next safe point, keeping the\n"
    "      record to resume from.",
    migrate}};

}  // namespace
