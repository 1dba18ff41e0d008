#include "tds-testserver/DatabaseImageWriter.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace tdsserver {
namespace {

std::string pgDumpProgram() {
    if (const char* env = std::getenv("PG_DUMP"); env && *env) return env;
    std::string best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string name = entry.path().filename().string();
        const int version = std::atoi(name.c_str());
        const std::filesystem::path program = entry.path() / "bin" / "pg_dump";
        if (version > bestVersion && std::filesystem::exists(program)) {
            bestVersion = version;
            best = program.string();
        }
    }
    return best.empty() ? "pg_dump" : best;
}

std::string quoteConnValue(const std::string& v) {
    std::string out = "'";
    for (char c : v) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

// base of "dir/X.MDF" is "dir/X": the path without its extension.
std::string withoutExtension(const std::string& path) {
    std::filesystem::path p(path);
    return (p.parent_path() / p.stem()).string();
}

}  // namespace

DatabaseImageWriter::DatabaseImageWriter(std::string conninfo, std::string database)
    : conninfo_(std::move(conninfo)),
      database_(std::move(database)),
      dataName_(database_),
      logName_(database_ + "_log") {}

void DatabaseImageWriter::setLogicalNames(std::string data, std::string log) {
    dataName_ = std::move(data);
    logName_ = std::move(log);
}

void DatabaseImageWriter::writeBackupSet(const std::string& path) const {
    const std::string dir = std::filesystem::absolute(path).parent_path().string() + "/";
    ImageHeader header;
    header.kind = ImageKind::BackupSet;
    header.data = {dataName_, dir + database_ + ".mdf"};
    header.log = {logName_, dir + database_ + "_log.LDF"};
    write(path, header);
}

void DatabaseImageWriter::writeDataFile(const std::string& path) const {
    ImageHeader header;
    header.kind = ImageKind::DataFile;
    header.data = {dataName_, std::filesystem::absolute(path).string()};
    header.log = {logName_,
                  std::filesystem::absolute(withoutExtension(path) + "_log.LDF").string()};
    write(path, header);
    BackupFiles::writeLogFile(header.log.physicalPath, database_);
}

void DatabaseImageWriter::write(const std::string& path, const ImageHeader& header) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    BackupFiles::writeHeader(out, header);
    out.flush();

    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    const std::string program = pgDumpProgram();
    const std::string target = conninfo_ + " dbname=" + quoteConnValue(database_);
    std::vector<std::string> args = {program,           "--format=plain", "--no-owner",
                                     "--no-privileges", "--dbname",       target};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("cannot run " + program + ": " + std::strerror(spawned));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        out.write(buffer, got);
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    out.close();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " failed for database " + database_);
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace tdsserver
