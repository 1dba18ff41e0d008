#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace apptest {

// What a finished lir2orbit-cli said and how it ended.
struct CliResult {
    int status = -1;  // exit status; 128 + signal when a signal ended it
    std::string out;
    std::string err;
};

// lir2orbit-cli as a child process: standard input from /dev/null (no terminal),
// standard output and error on pipes, the test's environment plus `environment`
// ("NAME=value" entries). Killed and reaped when the object goes.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const std::string& workingDirectory,
               const std::vector<std::string>& environment = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Shrinks the output pipe to one page, so the child cannot run far ahead of
    // what the test has read: it blocks once a page of output is unread.
    void narrowOutput();
    // Reads the output byte by byte until a line holding `text` has arrived;
    // false when the output ended first.
    bool waitForLine(const std::string& text);
    void signal(int number);
    // Reads everything left and waits for the end (at most four minutes).
    CliResult finish();

private:
    bool readSome(bool outputOnly);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    CliResult result_;
};

// Runs lir2orbit-cli with `args` to its end.
CliResult runCli(const std::vector<std::string>& args, const std::string& workingDirectory,
                 const std::vector<std::string>& environment = {});

}  // namespace apptest
