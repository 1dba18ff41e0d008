#include "support/TdsTestServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/PgTestEnv.h"

namespace support {
namespace {

// Reads the server's first stdout line within timeoutMs.
std::string firstLine(int fd, int timeoutMs) {
    std::string line;
    char c;
    while (line.size() < 200) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            throw std::runtime_error("tds-testserver did not report its port in time");
        const ssize_t got = ::read(fd, &c, 1);
        if (got <= 0)
            throw std::runtime_error("tds-testserver exited before listening (see its log above)");
        if (c == '\n') return line;
        line += c;
    }
    return line;
}

}  // namespace

std::string TdsTestServer::program() { return LIR2ORBIT_TDS_TESTSERVER; }

TdsTestServer::TdsTestServer() : TdsTestServer("sa", "Test-Pass1") {}

TdsTestServer::TdsTestServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start({});
}

TdsTestServer::TdsTestServer(std::vector<std::string> options)
    : user_("sa"), password_("Test-Pass1") {
    start(options);
}

void TdsTestServer::start(const std::vector<std::string>& options) {
    std::vector<std::string> args = {program(), "--port", "0",          "--postgres", pgConnInfo(),
                                     "--user",  user_,    "--password", password_};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        const int err = errno;
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("cannot start " + program() + ": " + std::strerror(err));
    }
    if (pid_ == 0) {
        // A test binary that crashes must not leave its server behind: an orphan
        // keeps the test's output pipe open and ctest would wait for it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(out[1]);
    std::string line;
    try {
        line = firstLine(out[0], 20000);
    } catch (...) {
        ::close(out[0]);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw;
    }
    ::close(out[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("unexpected first line from tds-testserver: " + line);
    }
    port_ = std::stoi(line.substr(prefix.size()));
}

TdsTestServer::~TdsTestServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    // A server that does not stop within 10 s is killed so the suite goes on.
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        usleep(50000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

}  // namespace support
