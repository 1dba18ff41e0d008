// lir2orbit-cli restore: a source account set from a backup archive, as the
// restore dialog makes it.
#include <filesystem>
#include <iostream>

#include "CommandLine.h"
#include "CommandRegistry.h"
#include "app/CliMessageBox.h"
#include "app/Connections.h"
#include "source/RestoreFlow.h"

namespace {

int restore(const std::vector<std::string>& raw) {
    std::set<std::string> options = cli::connectionOptions("source", false);
    options.insert({"--home", "--data-dir", "--code"});
    cli::Arguments args(raw, options, {"--yes"});
    if (args.positional().size() != 1) throw cli::UsageError("one ARCHIVE is needed");
    // The server opens these paths itself, from its own working directory.
    const std::string archive = std::filesystem::absolute(args.positional()[0]).string();
    const std::string dataDirectory =
        std::filesystem::absolute(args.required("--data-dir")).lexically_normal().string();

    app::CliMessageBox messages(std::cerr, std::cin, cli::stdinIsTerminal(),
                                args.flag("--yes") ? std::optional<bool>(true) : std::nullopt);
    messages.setNoTerminalHint("no terminal to ask: pass --yes to answer yes");
    app::Connections connections(cli::programDirectory(args), messages);
    connections.loadFields();
    cli::applyConnectionOptions(connections, args, "source");
    cli::printReasons(connections);
    if (!connections.openSourceMaster()) return cli::kExitRefused;

    source::RestoreFlow flow(connections.conSource, connections.qrySourceTmp, messages,
                             source::sleepingWait);
    auto header = flow.select(archive);
    if (!header) return cli::kExitFailed;
    source::RestoreRequest request{archive, dataDirectory,
                                   args.value("--code").value_or(header->AccountCode)};
    if (auto refusal = flow.check(request)) return cli::finishFlow(*refusal);
    return cli::finishFlow(flow.restore(request));
}

const cli::CommandRegistration registration{cli::Command{
    "restore",
    "restore ARCHIVE --data-dir DIR [--code CODE] [--yes] [--home DIR] [--source-server S]\n"
    "          [--source-port P] [--source-user U] [--source-password W]",
    "restores a backup archive of the legacy product (or the first volume of a split one)\n"
    "      on the source server as QXLirToOrbit_CODE, its files in DIR, and prints that\n"
    "      name. CODE defaults to the archive's own; DIR is created (one level) after\n"
    "      --yes or a question on the terminal.",
    restore}};

}  // namespace
