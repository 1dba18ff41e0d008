#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "core/Settings.h"
#include "core/TextRules.h"
#include "fixtures/AccountSets.h"
#include "fixtures/PgRows.h"
#include "fixtures/ProgramDirectory.h"
#include "support/TdsTestServer.h"

#ifdef LIR2ORBIT_RUN_MIGRATION

extern char** environ;

namespace {

// One run-migration process; its output goes to `logPath`.
class MigrationProcess {
public:
    MigrationProcess(const fixtures::ProgramDirectory& home,
                     const fixtures::SourceAccountSet& source, const support::TdsTestServer& server,
                     const fixtures::TargetAccountSet& target, bool answer) {
        std::vector<std::string> args = {LIR2ORBIT_RUN_MIGRATION,
                                         home.path(),
                                         source.connectionString(server),
                                         source.name(),
                                         target.connectionString(),
                                         target.name(),
                                         answer ? "yes" : "no"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        std::string out = home.file("run-output.txt");
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("cannot start run-migration");
    }
    ~MigrationProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool running() {
        int status = 0;
        if (pid_ <= 0) return false;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = status;
            return false;
        }
        return true;
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        pid_ = -1;
    }
    int exitCode() {
        if (pid_ > 0) {
            ::waitpid(pid_, &status_, 0);
            pid_ = -1;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

TEST(CrashResumeTest, KilledRunResumesToTheSameTarget) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("crash_s", 3000);
    fixtures::TargetAccountSet whole("crash_whole");
    fixtures::TargetAccountSet resumed("crash_resumed");
    fixtures::ProgramDirectory homeWhole, homeResumed;

    ASSERT_EQ(MigrationProcess(homeWhole, source, server, whole, false).exitCode(), 0)
        << homeWhole.read("run-output.txt");

    // Kill the second run in the middle of s_saledetail (6,000 rows, flushed every
    // 1,000), once some of its rows are in the target; or, should the poll miss
    // that moment, in whichever later table it is copying.
    core::Settings settings(core::settingsPath(homeResumed.path()));
    const std::string section = core::resumeSection(source.name(), resumed.name());
    std::string killedAt;
    {
        MigrationProcess run(homeResumed, source, server, resumed, false);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (run.running() && std::chrono::steady_clock::now() < deadline) {
            std::string table = settings.historyTableName(section);
            if (settings.historyStep(section) == "11" &&
                ((table == "s_saledetail" &&
                  fixtures::queryValue(resumed.connInfo(),
                                       "select count(*) > 0 from s_saledetail") == "t") ||
                 core::compareBytes(table, "s_saledetail") > 0)) {
                run.kill();
                killedAt =
                    table + " with " +
                    fixtures::queryValue(resumed.connInfo(), "select count(*) from s_saledetail") +
                    " rows of s_saledetail in the target";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ASSERT_FALSE(killedAt.empty())
        << "the run ended before it could be killed: " << homeResumed.read("run-output.txt");

    std::printf("killed while copying %s\n", killedAt.c_str());
    ASSERT_EQ(MigrationProcess(homeResumed, source, server, resumed, true).exitCode(), 0)
        << homeResumed.read("run-output.txt");
    std::string output = homeResumed.read("run-output.txt");
    EXPECT_NE(output.find("检测到导入记录，是否继续上一次的导入作业？ Yes"), std::string::npos);
    EXPECT_EQ(settings.historyStep(section), "00");

    std::string expected = fixtures::dumpPublicTables(whole.connInfo());
    std::string actual = fixtures::dumpPublicTables(resumed.connInfo());
    EXPECT_GT(expected.size(), 100000u);
    EXPECT_TRUE(expected == actual) << "killed while copying " << killedAt
                                    << "; the resumed target differs from the uninterrupted one";
}

}  // namespace

#endif
