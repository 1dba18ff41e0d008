#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace app {
class Connections;
}
namespace source {
struct SourceFlowResult;
}

namespace cli {

// Exit statuses of every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;         // failed while working
inline constexpr int kExitUsage = 2;          // unknown option, missing value, missing input file
inline constexpr int kExitRefused = 3;        // refused by the checks or the account-code rules
inline constexpr int kExitInterrupted = 130;  // stopped by SIGINT or SIGTERM (128 + 2)

// A mistake in how the command was called; main() prints it with a pointer to
// the command's --help and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Arguments split into positionals, options with a value ("--name value" or
// "--name=value") and flags ("--name").
class Arguments {
public:
    // Throws UsageError for an option that is not in either list, or a value
    // option without its value.
    Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flags);

    const std::vector<std::string>& positional() const { return positional_; }
    std::optional<std::string> value(const std::string& option) const;
    // The option's value; UsageError when it was not given.
    std::string required(const std::string& option) const;
    bool flag(const std::string& option) const { return flags_.count(option) > 0; }

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

// The connection options of one side: --source-server, --source-port,
// --source-user, --source-password (and --source-db when `withDatabase`).
std::set<std::string> connectionOptions(const std::string& side, bool withDatabase);

// Puts the given connection options into the fields (after loadFields), then the
// side's password when none was given: from LIR2ORBIT_SOURCE_PASSWORD or
// LIR2ORBIT_TARGET_PASSWORD (wiped from the process's environment once read, so
// it shows nowhere), else, with a terminal on standard input and no password
// from config.ini, from a prompt without echo.
void applyConnectionOptions(app::Connections& connections, const Arguments& args,
                            const std::string& side);

// Prints each reason the connections give on its own line of stderr, right
// under the fixed message it explains.
void printReasons(app::Connections& connections);

// The program directory: --home, else the executable's directory.
std::string programDirectory(const Arguments& args);

// The end of a restore or attach: the reason (if any) under the message already
// shown, the new database's name on stdout when done; the exit status.
int finishFlow(const source::SourceFlowResult& result);

bool stdinIsTerminal();
bool stdoutIsTerminal();

}  // namespace cli
