#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CommandRegistry.h"
#include "core/ToolVersion.h"

namespace {

constexpr const char* kExitStatuses =
    "exit status: 0 done; 1 failed while working; 2 usage error (unknown option, missing\n"
    "value, missing loadtable.txt); 3 refused before anything changed (a connection field\n"
    "not set, a connection or config.ini that cannot be used, the Start checks, the\n"
    "account-code rules, a name already taken); 130 stopped by SIGINT or SIGTERM.\n";

void printCommandHelp(std::ostream& out, const cli::Command& command) {
    out << "usage: lir2orbit-cli " << command.usage << "\n\n      " << command.summary << "\n\n"
        << kExitStatuses;
}

void printHelp(std::ostream& out) {
    out << "lir2orbit-cli " << core::kToolVersion
        << ": upgrades an account set from SQL Server into PostgreSQL, without a window.\n\n"
           "usage: lir2orbit-cli COMMAND [ARGS...]\n"
           "       lir2orbit-cli --help | --version\n\ncommands:\n";
    for (const auto& command : cli::registeredCommands()) {
        out << "  " << command.usage << "\n      " << command.summary << "\n";
    }
    out << "\n'lir2orbit-cli COMMAND --help' shows one command.\n" << kExitStatuses;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printHelp(std::cerr);
        return 2;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(std::cout);
        return 0;
    }
    if (name == "--version") {
        std::cout << "lir2orbit-cli " << core::kToolVersion << "\n";
        return 0;
    }
    for (const auto& command : cli::registeredCommands()) {
        if (command.name != name) continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& arg : rest) {
            if (arg == "--help" || arg == "-h") {
                printCommandHelp(std::cout, command);
                return cli::kExitDone;
            }
        }
        try {
            return command.run(rest);
        } catch (const cli::UsageError& e) {
            std::cerr << "lir2orbit-cli " << name << ": " << e.what() << " (see 'lir2orbit-cli "
                      << name << " --help')\n";
            return cli::kExitUsage;
        } catch (const std::exception& e) {
            std::cerr << "lir2orbit-cli " << name << ": " << e.what() << "\n";
            return cli::kExitFailed;
        }
    }
    std::cerr << "lir2orbit-cli: unknown command '" << name << "' (see --help)\n";
    return 2;
}
