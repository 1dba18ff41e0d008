#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CommandRegistry.h"

namespace {

constexpr const char* kVersion = "10.11";

void printHelp(std::ostream& out) {
    out << "lir2orbit-cli " << kVersion
        << ": upgrades an account set from SQL Server into PostgreSQL, without a window.\n\n"
           "usage: lir2orbit-cli COMMAND [ARGS...]\n"
           "       lir2orbit-cli --help | --version\n\ncommands:\n";
    for (const auto& command : cli::registeredCommands()) {
        out << "  " << command.usage << "\n      " << command.summary << "\n";
    }
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
        std::cout << "lir2orbit-cli " << kVersion << "\n";
        return 0;
    }
    for (const auto& command : cli::registeredCommands()) {
        if (command.name == name) {
            try {
                return command.run({args.begin() + 1, args.end()});
            } catch (const std::exception& e) {
                std::cerr << "lir2orbit-cli " << name << ": " << e.what() << "\n";
                return 1;
            }
        }
    }
    std::cerr << "lir2orbit-cli: unknown command '" << name << "' (see --help)\n";
    return 2;
}
