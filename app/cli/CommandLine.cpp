#include "CommandLine.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/Connections.h"
#include "core/ProgramDir.h"
#include "source/SourceFlowResult.h"

namespace cli {

namespace {

// The terminal's settings while a password is typed without echo, put back by a
// signal that ends the program at the prompt.
termios savedTerminal;

void restoreTerminalAndDie(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string promptPassword(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    ::tcgetattr(STDIN_FILENO, &savedTerminal);
    termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    auto previousInt = std::signal(SIGINT, restoreTerminalAndDie);
    auto previousTerm = std::signal(SIGTERM, restoreTerminalAndDie);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::string password;
    std::getline(std::cin, password);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    std::cerr << "\n";
    return password;
}

// Reads the variable and overwrites its text in place: the environment block is
// what /proc/PID/environ (and `ps e`) shows for as long as the process lives.
std::optional<std::string> takeEnvironment(const char* name) {
    char* value = std::getenv(name);
    if (!value) return std::nullopt;
    std::string copy = value;
    std::memset(value, 0, copy.size());
    ::unsetenv(name);
    return copy;
}

}  // namespace

Arguments::Arguments(const std::vector<std::string>& args,
                     const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flags) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.rfind("--", 0) != 0) {
            positional_.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (flags.count(name) && !value) {
            flags_.insert(name);
            continue;
        }
        if (!valueOptions.count(name)) throw UsageError("unknown option '" + arg + "'");
        if (!value) {
            if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
            value = args[++i];
        }
        values_[name] = *value;
    }
}

std::optional<std::string> Arguments::value(const std::string& option) const {
    auto it = values_.find(option);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string Arguments::required(const std::string& option) const {
    auto given = value(option);
    if (!given) throw UsageError(option + " is required");
    return *given;
}

std::set<std::string> connectionOptions(const std::string& side, bool withDatabase) {
    std::set<std::string> options;
    for (const char* field : {"server", "port", "user", "password"})
        options.insert("--" + side + "-" + field);
    if (withDatabase) options.insert("--" + side + "-db");
    return options;
}

void applyConnectionOptions(app::Connections& connections, const Arguments& args,
                            const std::string& side) {
    app::SideFields& fields = side == "source" ? connections.source() : connections.target();
    const std::pair<const char*, std::string app::SideFields::*> options[] = {
        {"server", &app::SideFields::server}, {"port", &app::SideFields::port},
        {"user", &app::SideFields::user},     {"password", &app::SideFields::password},
        {"db", &app::SideFields::database},
    };
    for (const auto& [name, member] : options) {
        if (auto given = args.value("--" + side + "-" + name)) fields.*member = *given;
    }
    if (args.value("--" + side + "-password")) return;
    const char* variable =
        side == "source" ? "LIR2ORBIT_SOURCE_PASSWORD" : "LIR2ORBIT_TARGET_PASSWORD";
    if (auto fromEnvironment = takeEnvironment(variable)) {
        fields.password = *fromEnvironment;
    } else if (fields.password.empty() && stdinIsTerminal()) {
        fields.password = promptPassword(side + " password for " + fields.user + "@" +
                                         fields.server + "," + fields.port + ": ");
    }
}

void printReasons(app::Connections& connections) {
    connections.reportReason = [](const std::string& reason) {
        if (!reason.empty()) std::cerr << reason << "\n" << std::flush;
    };
}

std::string programDirectory(const Arguments& args) {
    return args.value("--home").value_or(core::executableDir());
}

int finishFlow(const source::SourceFlowResult& result) {
    if (!result.reason.empty()) std::cerr << result.reason << "\n";
    switch (result.status) {
        case source::SourceFlowStatus::Done:
            std::cout << result.databaseName << "\n";
            return kExitDone;
        case source::SourceFlowStatus::Refused:
            return kExitRefused;
        case source::SourceFlowStatus::Failed:
            break;
    }
    return kExitFailed;
}

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }
bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

}  // namespace cli
