#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace apptest {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& workingDirectory,
                       const std::vector<std::string>& environment) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) fail("pipe");
    std::vector<std::string> argStore = {LIR2ORBIT_CLI};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    envStore.insert(envStore.end(), environment.begin(), environment.end());
    std::vector<char*> argv, envp;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) fail("fork");
    if (pid_ == 0) {
        int in = ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0 ||
            ::chdir(workingDirectory.c_str()) != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

void CliProcess::narrowOutput() {
    if (::fcntl(out_, F_SETPIPE_SZ, 4096) < 0) fail("F_SETPIPE_SZ");
}

// One read from whichever pipe has data (only the output pipe's first byte when
// `outputOnly`, so nothing beyond the wanted line is taken). False at the end of both.
bool CliProcess::readSome(bool outputOnly) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int open = (out_ >= 0) + (err_ >= 0);
    if (open == 0) return false;
    if (::poll(fds, 2, 240000) <= 0)
        throw std::runtime_error("lir2orbit-cli said nothing for 4 minutes");
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        int& fd = i == 0 ? out_ : err_;
        const size_t wanted = i == 0 && outputOnly ? 1 : sizeof buffer;
        ssize_t n = ::read(fd, buffer, wanted);
        if (n <= 0) {
            ::close(fd);
            fd = -1;
            continue;
        }
        (i == 0 ? result_.out : result_.err).append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool CliProcess::waitForLine(const std::string& text) {
    size_t searched = 0;
    for (;;) {
        size_t end;
        while ((end = result_.out.find('\n', searched)) != std::string::npos) {
            if (result_.out.substr(searched, end - searched).find(text) != std::string::npos)
                return true;
            searched = end + 1;
        }
        if (out_ < 0 || !readSome(true)) return false;
    }
}

void CliProcess::signal(int number) { ::kill(pid_, number); }

CliResult CliProcess::finish() {
    while (readSome(false)) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result_;
}

CliResult runCli(const std::vector<std::string>& args, const std::string& workingDirectory,
                 const std::vector<std::string>& environment) {
    return CliProcess(args, workingDirectory, environment).finish();
}

}  // namespace apptest
