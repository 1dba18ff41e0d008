#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "tds-testserver/CommandLine.h"
#include "tds-testserver/DatabaseImageWriter.h"
#include "tds-testserver/Server.h"

using namespace tdsserver;

namespace {

int writeFiles(const CommandLine& line) {
    DatabaseImageWriter writer(line.server.conninfo, line.database);
    if (!line.dataName.empty() || !line.logName.empty())
        writer.setLogicalNames(line.dataName.empty() ? line.database : line.dataName,
                               line.logName.empty() ? line.database + "_log" : line.logName);
    if (!line.writeBackupSet.empty()) writer.writeBackupSet(line.writeBackupSet);
    if (!line.writeDataFile.empty()) writer.writeDataFile(line.writeDataFile);
    return 0;
}

int serve(const CommandLine& line) {
    // SIGTERM and SIGINT arrive through a descriptor the accept loop polls;
    // blocked before any thread starts, so sessions never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::cerr << "tds-testserver: signalfd failed\n";
        return 1;
    }
    Server server(line.server, static_cast<std::uint16_t>(line.port));
    std::cout << "listening on 127.0.0.1:" << server.port() << std::endl;
    server.run(stopFd);
    ::close(stopFd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const CommandLine line =
            CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
        if (!line.writeBackupSet.empty() || !line.writeDataFile.empty()) return writeFiles(line);
        return serve(line);
    } catch (const std::invalid_argument& e) {
        std::cerr << "tds-testserver: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tds-testserver: " << e.what() << "\n";
        return 1;
    }
}
