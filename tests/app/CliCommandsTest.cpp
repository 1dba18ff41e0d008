// lir2orbit-cli as scripts run it: a child process without a terminal, against
// the suite's SQL Server test server and PostgreSQL cluster.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliProcess.h"
#include "ServerFixture.h"
#include "core/Cp936.h"
#include "core/Settings.h"
#include "fixtures/PgRows.h"
#include "fixtures/ProgramDirectory.h"
#include "source/SourceServer.h"

namespace {

namespace fs = std::filesystem;
using apptest::CliResult;
using apptest::runCli;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> sourceOptions(const sourcetest::SourceServer& server) {
    const support::TdsTestServer& tds = server.testServer();
    return {"--source-server", "127.0.0.1", "--source-port",     std::to_string(tds.port()),
            "--source-user",   tds.user(),  "--source-password", tds.password()};
}

// A program directory, a scratch directory beside it and the SQL Server test
// server with a legacy account set of 400 rows to back up or detach.
class SourceCommands : public ::testing::Test {
protected:
    SourceCommands() : server("Cli", 400) {}

    std::string path(const std::string& name) const { return home.file("scratch/" + name); }

    // The command with the connection options first, so the test's own win.
    CliResult cli(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        std::vector<std::string> options = sourceOptions(server);
        options.insert(options.begin(), {"--home", home.path()});
        args.insert(args.begin() + 1, options.begin(), options.end());
        // The archive component's temporary file stays inside this test.
        std::vector<std::string> environment = {"TMPDIR=" + home.file("scratch")};
        environment.insert(environment.end(), env.begin(), env.end());
        return runCli(args, home.path(), environment);
    }

    // The backup set packed by `lir2orbit-cli zip` (into volumes when asked).
    std::string archive(const std::string& name, const std::string& volumeSize = "") {
        server.writeBackupSet(path("legacy.bak-set"));
        std::vector<std::string> zip = {
            "zip",           path("legacy.bak-set"), path(name),    "--product-version",
            "QXLedgerSuite", "--account-code",       server.code(), "--account-name",
            "示范公司"};
        if (!volumeSize.empty()) zip.insert(zip.end(), {"--volume-size", volumeSize});
        CliResult packed = runCli(zip, home.path());
        EXPECT_EQ(packed.status, 0) << packed.err;
        return path(name);
    }

    fixtures::ProgramDirectory home;
    sourcetest::SourceServer server;
    bool scratch = fs::create_directory(home.file("scratch"));
};

TEST_F(SourceCommands, RestoreMakesTheDatabaseFromAWholeOrASplitArchive) {
    struct Case {
        const char* name;
        const char* volumeSize;
    } cases[] = {{"Whole", ""}, {"Split", "4096"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = path(std::string("data o'") + c.name);  // missing: made on --yes
        CliResult done = cli({"restore", archive(std::string(c.name) + ".BAK", c.volumeSize),
                              "--data-dir", data, "--yes"});
        ASSERT_EQ(done.status, 0) << done.err;
        EXPECT_EQ(done.out, server.createdName() + "\n");
        EXPECT_TRUE(has(done.err, "数据目录不存在,是否创建？")) << done.err;
        EXPECT_EQ(server.rowsIn(server.createdName()), 400);
        EXPECT_TRUE(fs::is_regular_file(data + "/" + server.createdName() + ".mdf"));
        EXPECT_FALSE(fs::exists(data + "/cwtemp.mdf"));
        server.dropDatabase(server.createdName());
    }
}

TEST_F(SourceCommands, RestoreRefusalsSayWhyAndChangeNothing) {
    const std::string bak = archive("Legacy.BAK");
    server.createDatabase("qxlirtoorbit_taken");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {"code with a dot",
         {"--code", "a.b"},
         3,
         "账套代号不允许含'.'号！请使用数字、字母、汉字！"},
        {"name taken in another case", {"--code", "TAKEN"}, 3, "存在相同的帐套名!"},
        {"no terminal to confirm the new directory",
         {"--data-dir", path("new")},
         1,
         "数据目录不存在,是否创建？\nn (no terminal to ask: pass --yes to answer yes)"},
        {"data directory two levels down",
         {"--data-dir", path("a/b"), "--yes"},
         1,
         "创建指定的数据目录失败!\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"restore", bak};
        if (c.args.front() != "--data-dir") args.insert(args.end(), {"--data-dir", path("")});
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult refused = cli(args);
        EXPECT_EQ(refused.status, c.status) << refused.err;
        EXPECT_TRUE(has(refused.err, c.message)) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_FALSE(fs::exists(path("new")));
    EXPECT_FALSE(server.databaseExists(server.createdName()));
}

TEST_F(SourceCommands, AttachWithTheProposedOrAGivenCode) {
    struct Case {
        const char* name;
        std::vector<std::string> code;
        std::string created;
    } cases[] = {{"proposed by the file name", {}, server.createdName()},
                 {"given", {"--code", server.code() + "X"}, server.createdName() + "X"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = path("QX001_" + server.code() + ".MDF");
        server.writeDataFile(file);
        std::vector<std::string> args = {"attach", file};
        args.insert(args.end(), c.code.begin(), c.code.end());
        CliResult done = cli(args);
        ASSERT_EQ(done.status, 0) << done.err;
        EXPECT_EQ(done.out, c.created + "\n");
        EXPECT_EQ(server.rowsIn(c.created), 400);
        EXPECT_FALSE(fs::exists(path("QX001_" + server.code() + "_log.LDF")));
        server.dropDatabase(c.created);
        fs::remove(file);
    }
}

TEST_F(SourceCommands, FailuresGiveTheServersOrTheSystemsReasonOnTheNextLine) {
    std::ofstream(path("Damaged.MDF")) << "not a data file";
    CliResult damaged = cli({"attach", path("Damaged.MDF"), "--code", server.code()});
    EXPECT_EQ(damaged.status, 1);
    const std::string shown = "提示: 无法引入帐套,可能文件已被破坏!\n";
    ASSERT_TRUE(has(damaged.err, shown)) << damaged.err;
    EXPECT_GT(damaged.err.size(), damaged.err.find(shown) + shown.size() + 1)
        << "no reason after the message: " << damaged.err;

    CliResult wrongPassword = cli({"attach", path("Damaged.MDF"), "--source-password", "wrong"});
    EXPECT_EQ(wrongPassword.status, 3);
    EXPECT_TRUE(
        has(wrongPassword.err, "数据源数据库链接失败，请检查相关设置！\nLogin failed for user '" +
                                   server.testServer().user() + "'."))
        << wrongPassword.err;

    // Even root cannot write over a directory.
    fs::remove(home.file("config.ini"));
    fs::create_directory(home.file("config.ini"));
    CliResult unsaved = cli({"attach", path("Damaged.MDF")});
    EXPECT_EQ(unsaved.status, 3);
    EXPECT_TRUE(
        has(unsaved.err, "设置文件无法保存！\n" + home.file("config.ini") + ": Is a directory"))
        << unsaved.err;
    EXPECT_FALSE(has(unsaved.err, "链接失败")) << unsaved.err;
}

// The migrate command's options for a source and a target, passwords left out.
std::vector<std::string> migrateArgs(const fixtures::ProgramDirectory& home,
                                     const app::SideFields& source, const app::SideFields& target) {
    return {"migrate",       "--home",          home.path(),     "--source-server", source.server,
            "--source-port", source.port,       "--source-user", source.user,       "--source-db",
            source.database, "--target-server", target.server,   "--target-port",   target.port,
            "--target-user", target.user,       "--target-db",   target.database};
}

std::vector<std::string> passwordEnvironment(const app::SideFields& source,
                                             const app::SideFields& target) {
    return {"LIR2ORBIT_SOURCE_PASSWORD=" + source.password,
            "LIR2ORBIT_TARGET_PASSWORD=" + target.password};
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(MigrateCommandTest, RecordedRunWithoutTerminalIsRefusedBeforeEitherSideIsTouched) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxclirefsrc", 0);
    fixtures::TargetAccountSet target("qxcliretgt");
    fixtures::ProgramDirectory home;
    home.write("loadtable.txt", "");
    app::SideFields s = apptest::sourceFields(server, source.name());
    app::SideFields t = apptest::targetFields(target.name());
    const std::string ini =
        "[" + s.database + "To" + t.database + "]\r\nHistoryStep=11\r\nHistoryTabName=s_sale\r\n";
    home.write("config.ini", ini);

    CliResult refused = runCli(migrateArgs(home, s, t), home.path(), passwordEnvironment(s, t));
    EXPECT_EQ(refused.status, 2);
    for (const char* part : {"stopped at step 11, table s_sale", "--resume", "--no-resume"})
        EXPECT_TRUE(has(refused.err, part)) << refused.err;
    EXPECT_EQ(fixtures::queryValue(target.connInfo(),
                                   "select count(*) from am_sysparam where paramid = 9999"),
              "0");
    EXPECT_EQ(home.read("config.ini"), ini) << "not even the connection settings were saved";
}

// A run stopped by SIGTERM in the middle of a table keeps its record, and the
// resumed run ends with the target an uninterrupted run makes.
TEST(MigrateCommandTest, InterruptedRunResumesToTheSameTargetAsAnUninterruptedOne) {
    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxcliintsrc", 40);
    // 200,080 detail rows: 200 batches, far more than a page of unread progress lines.
    source.exec(
        "insert into s_saledetail select billid, itemno + 10 * g, goodsid, quantity, price "
        "from s_saledetail, generate_series(1, 2500) g");
    fixtures::TargetAccountSet whole("qxcliintwhole");
    fixtures::TargetAccountSet resumed("qxcliintres");
    fixtures::ProgramDirectory homeWhole, homeResumed;
    for (auto* home : {&homeWhole, &homeResumed}) home->write("loadtable.txt", "");
    app::SideFields s = apptest::sourceFields(server, source.name());
    app::SideFields w = apptest::targetFields(whole.name());
    app::SideFields r = apptest::targetFields(resumed.name());
    r.password = w.password = "Target-Secret-7";

    std::vector<std::string> args = migrateArgs(homeWhole, s, w);
    args.insert(args.end(), {"--report", homeWhole.file("report.json")});
    CliResult uninterrupted = runCli(args, homeWhole.path(), passwordEnvironment(s, w));
    ASSERT_EQ(uninterrupted.status, 0) << uninterrupted.err;
    EXPECT_EQ(fileText(homeWhole.file("report.json")).front(), '[');

    args = migrateArgs(homeResumed, s, r);
    args.insert(args.end(), {"--progress-every", "0"});
    {
        apptest::CliProcess run(args, homeResumed.path(), passwordEnvironment(s, r));
        run.narrowOutput();
        ASSERT_TRUE(run.waitForLine("s_saledetail: ")) << run.finish().err;
        for (const char* file : {"cmdline", "environ"}) {
            std::string seen = fileText("/proc/" + std::to_string(run.pid()) + "/" + file);
            EXPECT_FALSE(has(seen, s.password) || has(seen, r.password)) << file;
        }
        run.signal(SIGTERM);
        CliResult stopped = run.finish();
        EXPECT_EQ(stopped.status, 130) << stopped.err;
        EXPECT_TRUE(has(stopped.err, "数据导入已中止。")) << stopped.err;
        EXPECT_FALSE(has(stopped.out + stopped.err, r.password));
    }
    core::Settings settings(core::settingsPath(homeResumed.path()));
    const std::string section = core::resumeSection(s.database, r.database);
    EXPECT_EQ(settings.historyStep(section), "11");
    EXPECT_EQ(settings.historyTableName(section), "s_saledetail");
    EXPECT_EQ(fixtures::queryValue(resumed.connInfo(),
                                   "select count(*) from pg_trigger where tgrelid = "
                                   "'s_saledetail'::regclass and tgenabled = 'D'"),
              "0");
    bool logged = false;
    for (const auto& entry : fs::directory_iterator(homeResumed.file("log")))
        logged = logged || has(core::fromCp936Lossy(fileText(entry.path())), "数据导入已中止。");
    EXPECT_TRUE(logged) << "no log file says the run was interrupted";

    args.insert(args.end(), "--resume");
    CliResult done = runCli(args, homeResumed.path(), passwordEnvironment(s, r));
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(settings.historyStep(section), "00");
    EXPECT_TRUE(fixtures::dumpPublicTables(whole.connInfo()) ==
                fixtures::dumpPublicTables(resumed.connInfo()))
        << "the resumed target differs from the uninterrupted one";
}

TEST(CliUsageTest, HelpAndUsageErrorsByExitStatus) {
    fixtures::ProgramDirectory home;
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* output;  // expected in stdout (status 0) or stderr
    } cases[] = {
        {"command help", {"migrate", "--help"}, 0, "usage: lir2orbit-cli migrate"},
        {"short help", {"restore", "-h"}, 0, "usage: lir2orbit-cli restore ARCHIVE"},
        {"help lists the statuses", {"attach", "--help"}, 0, "3 refused"},
        {"unknown option", {"migrate", "--sauce-db", "x"}, 2, "unknown option '--sauce-db'"},
        {"missing value", {"migrate", "--target-db"}, 2, "--target-db needs a value"},
        {"missing data directory", {"restore", "a.BAK"}, 2, "--data-dir is required"},
        {"missing loadtable.txt",
         {"migrate", "--source-db", "a", "--target-db", "b"},
         2,
         "loadtable.txt"},
        {"unknown command", {"restor"}, 2, "unknown command"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliResult result = runCli(c.args, home.path());
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_TRUE(has(c.status == 0 ? result.out : result.err, c.output))
            << result.out << result.err;
    }
}

}  // namespace
