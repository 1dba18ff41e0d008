#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cli {

// One subcommand of lir2orbit-cli. `run` gets the arguments after the command name
// and returns the process exit status.
struct Command {
    std::string name;
    std::string usage;
    std::string summary;
    std::function<int(const std::vector<std::string>&)> run;
};

// Commands register themselves from their own source file, compiled into the
// executable, so main() needs no list of them.
void registerCommand(Command command);
const std::vector<Command>& registeredCommands();

struct CommandRegistration {
    explicit CommandRegistration(Command command) { registerCommand(std::move(command)); }
};

}  // namespace cli
