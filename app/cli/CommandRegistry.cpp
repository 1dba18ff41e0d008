#include "CommandRegistry.h"

namespace cli {

namespace {
std::vector<Command>& table() {
    static std::vector<Command> commands;
    return commands;
}
}  // namespace

void registerCommand(Command command) { table().push_back(std::move(command)); }

const std::vector<Command>& registeredCommands() { return table(); }

}  // namespace cli
