// lir2orbit-cli attach: a source account set from a loose data file, as the
// import dialog makes it.
#include <filesystem>
#include <iostream>

#include "CommandLine.h"
#include "CommandRegistry.h"
#include "app/CliMessageBox.h"
#include "app/Connections.h"
#include "source/AttachFlow.h"
#include "source/DataFileNames.h"

namespace {

int attach(const std::vector<std::string>& raw) {
    std::set<std::string> options = cli::connectionOptions("source", false);
    options.insert({"--home", "--code"});
    cli::Arguments args(raw, options, {});
    if (args.positional().size() != 1) throw cli::UsageError("one DATAFILE is needed");
    // The server opens the file itself, from its own working directory.
    const std::string dataFile = std::filesystem::absolute(args.positional()[0]).string();

    app::CliMessageBox messages(std::cerr, std::cin, cli::stdinIsTerminal());
    app::Connections connections(cli::programDirectory(args), messages);
    connections.loadFields();
    cli::applyConnectionOptions(connections, args, "source");
    cli::printReasons(connections);
    if (!connections.openSourceMaster()) return cli::kExitRefused;

    source::AttachFlow flow(connections.conSource, connections.qrySourceTmp, messages,
                            source::sleepingWait);
    source::AttachRequest request{
        dataFile, args.value("--code").value_or(source::ProposedAccountCode(dataFile))};
    if (auto refusal = flow.check(request)) return cli::finishFlow(*refusal);
    return cli::finishFlow(flow.attach(request));
}

const cli::CommandRegistration registration{cli::Command{
    "attach",
    "attach DATAFILE [--code CODE] [--home DIR] [--source-server S] [--source-port P]\n"
    "          [--source-user U] [--source-password W]",
    "attaches a SQL Server data file on the source server as QXLirToOrbit_CODE (the old log\n"
    "      files beside it are deleted; the server builds a new one) and prints that name.\n"
    "      CODE defaults to the one the file's name proposes.",
    attach}};

}  // namespace
