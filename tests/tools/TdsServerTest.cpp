// End to end through FreeTDS db-lib: the client library the tool itself uses.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sybdb.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "DbLibClient.h"
#include "app/Connections.h"
#include "app/StartChecks.h"
#include "engine/SourceStatements.h"
#include "source/AccountCode.h"
#include "source/SqlText.h"
#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"

namespace {

namespace sourcesql = engine::sourcesql;

using dblibtest::Connection;
using dblibtest::Outcome;

// Messages reach a GB18030 client in GB18030.
std::string gb18030(const std::string& utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* o = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// db-lib reports a GUID column by its TDS type number; sybdb.h has no name for it.
constexpr int GuidType = 0x24;

bool mentions(const Outcome& outcome, const std::string& text) {
    return outcome.errorText().find(text) != std::string::npos;
}

// A legacy source account set on the test cluster, with the SQL Server types.
class SourceFixture {
public:
    SourceFixture() : name_("qxtds_" + std::to_string(getpid())) {
        support::dropSourceDatabase(name_);
        support::createSourceDatabase(name_);
        std::string attachments = "insert into p_orderattach values ";
        for (int i = 1; i <= 25; ++i)
            attachments += (i > 1 ? "," : "") + std::string("(") + std::to_string(i) + "," +
                           std::to_string(i % 3) + ",7,'附件" + std::to_string(i) + "')";
        support::execPg(support::pgConnInfo(name_), R"(
create table am_sysparam(paramid int primary key, name varchar(60), datavalue varchar(200), content text);
insert into am_sysparam values (100,'ver1','10',null),(101,'ver2','11',null),(201,'acc','13',null),
  (3002,'a','x',null),(3003,'b','y',null),(3025,'c','z',null),(1,'StartYear','2024',null),
  (2,'startmonth',' 1',null),(3,'erpandoapapproval','1',null);
create table l_department(id int, shopid int, name varchar(40));
insert into l_department values (1,null,'财务部'),(2,0,'财务部'),(3,1,'销售部'),(4,2,'销售部');
create table "O_Position"(id int);
create table am_kind(kind int, id int, name varchar(40), kindname varchar(40), iskind int, issys int, upflag int);
insert into am_kind values (5,12,'A','类',0,0,0),(5,2,'B','类',0,0,0),(5,1,'S','类',0,1,0),(1,9,'C','类',0,0,0);
create table l_goods(goodsid int, code varchar(20), name nvarchar);
insert into l_goods values (1,'g1','商品一'),(2,'g2',null);
create table p_orderattach(billid int, itemno int, billtypeid int, filename nvarchar);
)" + attachments);
    }
    ~SourceFixture() { support::dropSourceDatabase(name_); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

class TdsServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new support::TdsTestServer();
        source_ = new SourceFixture();
    }
    static void TearDownTestSuite() {
        delete source_;
        delete server_;
    }
    std::unique_ptr<Connection> connect(const std::string& database) {
        return std::make_unique<Connection>(server_->address(), server_->user(),
                                            server_->password(), database);
    }
    static support::TdsTestServer* server_;
    static SourceFixture* source_;
};

support::TdsTestServer* TdsServer::server_ = nullptr;
SourceFixture* TdsServer::source_ = nullptr;

TEST_F(TdsServer, LoginSelectsTheDatabaseIgnoringCase) {
    std::string upper = source_->name();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto conn = connect(upper);
    EXPECT_EQ(conn->currentDatabase(), source_->name());
    auto master = connect("");
    EXPECT_EQ(master->currentDatabase(), "master");
    EXPECT_TRUE(master->run("use [" + upper + "]").succeeded);
    EXPECT_EQ(master->currentDatabase(), source_->name());
    EXPECT_FALSE(master->run("use [qx_no_such_db]").succeeded);
}

TEST_F(TdsServer, RefusedLoginsCarryTheServerError) {
    struct Case {
        std::string user, password, database;
        int number;
        std::string text;
    };
    const Case cases[] = {
        {"sa", "wrong", "master", 18456, "Login failed for user 'sa'."},
        {"nobody", server_->password(), "master", 18456, "Login failed for user 'nobody'."},
        {"sa", server_->password(), "qx_no_such_db", 4060,
         "Cannot open database \"qx_no_such_db\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user + "/" + c.database);
        try {
            Connection conn(server_->address(), c.user, c.password, c.database);
            ADD_FAILURE() << "login was accepted";
        } catch (const std::runtime_error& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(std::to_string(c.number) + ": " + c.text), std::string::npos)
                << text;
        }
    }
}

TEST_F(TdsServer, EveryMappedTypeArrivesWithNulls) {
    support::execPg(support::pgConnInfo(source_->name()), R"(
drop table if exists typed;
create table typed(ti tinyint, si int2, i int4, bi int8, b boolean, r float4, f float8, d numeric(10,2),
  m money, sm smallmoney, dt datetime, sdt smalldatetime, vc varchar(10), c char(4), t text, nv nvarchar,
  nc "nchar", nt ntext, img image, vb varbinary, g uniqueidentifier);
insert into typed values (255, -2, 123456, 9000000000, true, 1.5, 2.25, -12345.67, -1.0001, 2.5,
  '2024-02-29 13:45:30.5', '2024-02-29 13:45:30', '中文abc', 'ab', '长文本', 'ünï中', 'x', '宽', '\x0102',
  '\x00ff', '00112233-4455-6677-8899-aabbccddeeff');
insert into typed default values;
)");
    auto conn = connect(source_->name());
    const Outcome outcome = conn->run("select * from typed order by ti nulls first");
    ASSERT_TRUE(outcome.succeeded) << outcome.errorText();
    ASSERT_EQ(outcome.results.size(), 1u);
    const auto& set = outcome.results[0];
    ASSERT_EQ(set.rows.size(), 2u);
    const int expectedTypes[] = {
        SYBINT1,    SYBINT2,  SYBINT4,   SYBINT8,     SYBBIT,       SYBREAL,   SYBFLT8,
        SYBDECIMAL, SYBMONEY, SYBMONEY4, SYBDATETIME, SYBDATETIME4, SYBCHAR,   SYBCHAR,
        SYBTEXT,    SYBCHAR,  SYBCHAR,   SYBTEXT,     SYBIMAGE,     SYBBINARY, GuidType};
    ASSERT_EQ(set.columns.size(), std::size(expectedTypes));
    const std::string expectedText[] = {"255", "-2",  "123456", "9000000000",
                                        "1",   "1.5", "2.25",   "-12345.67"};
    for (std::size_t c = 0; c < set.columns.size(); ++c) {
        SCOPED_TRACE(set.columns[c].name);
        EXPECT_EQ(set.columns[c].type, expectedTypes[c]);
        EXPECT_FALSE(set.rows[0][c].has_value()) << "NULL row";
        ASSERT_TRUE(set.rows[1][c].has_value());
        if (c < std::size(expectedText)) {
            EXPECT_EQ(conn->text(set.columns[c].type, *set.rows[1][c]), expectedText[c]);
        }
    }
    const auto& row = set.rows[1];
    DBMONEY money;
    std::memcpy(&money, row[8]->data(), sizeof money);
    EXPECT_EQ((std::int64_t(money.mnyhigh) << 32) | money.mnylow, -10001);
    DBMONEY4 small;
    std::memcpy(&small, row[9]->data(), sizeof small);
    EXPECT_EQ(small.mny4, 25000);
    DBDATETIME when;
    std::memcpy(&when, row[10]->data(), sizeof when);
    EXPECT_EQ(when.dtdays, 45349);
    EXPECT_EQ(when.dttime, 14859150);
    EXPECT_EQ(*row[12], gb18030("中文abc"));
    EXPECT_EQ(*row[14], gb18030("长文本"));
    EXPECT_EQ(*row[15], gb18030("ünï中"));
    EXPECT_EQ(*row[18], std::string("\x01\x02", 2));
    EXPECT_EQ(*row[19], std::string("\x00\xff", 2));
    EXPECT_EQ(conn->text(GuidType, *row[20]), "00112233-4455-6677-8899-AABBCCDDEEFF");
}

TEST_F(TdsServer, CodePage936UserDefinedCharactersArriveByteExact) {
    auto conn = connect(source_->name());
    const Outcome outcome = conn->run("select cast(U&'\\E734\\E019' as varchar(10)) as v");
    ASSERT_TRUE(outcome.succeeded) << outcome.errorText();
    EXPECT_EQ(*outcome.results.at(0).rows.at(0).at(0), "\xA7\x6E\xAA\xBA");
}

TEST_F(TdsServer, FailingStatementEndsTheBatchWithItsMessage) {
    auto conn = connect(source_->name());
    const Outcome failed = conn->run("select 1 as a; select * from no_such_table; select 2 as b");
    EXPECT_FALSE(failed.succeeded);
    bool numbered = false;
    for (const auto& m : failed.messages)
        numbered = numbered || (m.number == 208 && m.severity == 16);
    EXPECT_TRUE(numbered) << "no error 208 of class 16";
    EXPECT_TRUE(mentions(failed, "Invalid object name 'no_such_table'.")) << failed.errorText();
    for (const auto& set : failed.results)
        for (const auto& column : set.columns)
            EXPECT_NE(column.name, "b") << "the batch went on after the error";

    const Outcome after = conn->run("select 3 as c");
    EXPECT_TRUE(after.succeeded) << "connection unusable after an error";
}

TEST_F(TdsServer, CommonFaultsCarrySqlServersNumbersAndWords) {
    auto conn = connect(source_->name());
    struct Case {
        std::string sql;
        int number;
        std::string text;
    };
    const Case cases[] = {
        {"select * from [No_Table]", 208, "Invalid object name 'no_table'."},
        {"select no_column from am_sysparam", 207, "Invalid column name 'no_column'."},
        {"select from where", 102, "Incorrect syntax near 'where'."},
        {"select paramid / 0 from am_sysparam", 8134, "Divide by zero error encountered."},
        {"insert into am_sysparam(paramid, name) values (100, 'again')", 2627,
         "Violation of PRIMARY KEY constraint 'am_sysparam_pkey'. Cannot insert duplicate key in "
         "object 'dbo.am_sysparam'. The duplicate key value is (100)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const Outcome outcome = conn->run(c.sql);
        EXPECT_FALSE(outcome.succeeded);
        // db-lib adds its own 20018 after the server's message.
        std::string text = "(no message " + std::to_string(c.number) + ")";
        for (const auto& m : outcome.messages)
            if (m.number == c.number) text = m.text;
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(TdsServer, SeveralResultSetsInOneBatch) {
    auto conn = connect(source_->name());
    const Outcome outcome = conn->run(
        "set textsize 2147483647; select 1 as a; select 'x' as b, 2 as c;"
        "update am_kind set upflag = 0 where kind = 5");
    ASSERT_TRUE(outcome.succeeded) << outcome.errorText();
    ASSERT_GE(outcome.results.size(), 2u);
    EXPECT_EQ(outcome.results[0].columns.at(0).name, "a");
    EXPECT_EQ(outcome.results[1].columns.size(), 2u);
    EXPECT_EQ(outcome.results.back().count, 3);
}

TEST_F(TdsServer, AnswersEveryStatementTheToolSends) {
    auto conn = connect(source_->name());
    struct Case {
        std::string sql;
        std::size_t rows;
    };
    const Case cases[] = {
        {app::kAccountingSystemSql, 1},
        {app::kDepartmentSql, 1},
        {app::kPeriodSql, 2},
        {sourcesql::kStampValues, 5},
        {sourcesql::kApprovalCondition, 1},
        {sourcesql::kPositionTable, 1},
        {sourcesql::CountRows(sourcesql::SourceSqlName("l_goods", "l_goods")), 1},
        {sourcesql::ColumnList("l_goods"), 0},
        {sourcesql::AllRows("l_goods"), 2},
        {sourcesql::AllRows("am_sysparam"), 9},
        {sourcesql::UserKinds("am_kind"), 3},
        {source::DatabaseExistsSql(source::SourceDatabaseName("NOPE")), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const Outcome outcome = conn->run(c.sql);
        ASSERT_TRUE(outcome.succeeded) << outcome.errorText();
        ASSERT_EQ(outcome.results.size(), 1u);
        EXPECT_EQ(outcome.results[0].rows.size(), c.rows);
    }

    const Outcome period = conn->run(app::kPeriodSql);
    EXPECT_EQ(period.results[0].columns[1].type, SYBINT4);
    EXPECT_EQ(conn->text(SYBINT4, *period.results[0].rows[0][1]), "1");
    const Outcome position = conn->run(sourcesql::kPositionTable);
    EXPECT_EQ(conn->text(SYBCHAR, *position.results[0].rows[0][1]), "O_Position");
    const Outcome columns = conn->run(sourcesql::ColumnList("l_goods"));
    EXPECT_EQ(columns.results[0].columns.size(), 3u);

    auto master = connect("master");
    const Outcome list = master->run(app::kSourceListSql);
    ASSERT_TRUE(list.succeeded) << list.errorText();
    bool listed = false;
    for (const auto& row : list.results.at(0).rows) {
        EXPECT_NE(*row[0], "postgres");
        listed = listed || *row[0] == source_->name();
    }
    EXPECT_TRUE(listed);

    // The staging command twice (creating, then reusing the table), the pages, the drop.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const Outcome staged = conn->run(sourcesql::StagingCommand());
        ASSERT_TRUE(staged.succeeded) << staged.errorText();
    }
    conn->run(sourcesql::kDropStaging);
    ASSERT_TRUE(conn->run(sourcesql::StagingCommand()).succeeded);
    const std::size_t pageRows[] = {10, 10, 5};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        const Outcome outcome = conn->run(sourcesql::AttachmentPage(page * 10));
        ASSERT_TRUE(outcome.succeeded) << outcome.errorText();
        EXPECT_EQ(outcome.results.at(0).rows.size(), pageRows[page]);
    }
    EXPECT_TRUE(conn->run(sourcesql::kDropStaging).succeeded);
}

TEST_F(TdsServer, RestoresAndAttachesSimulatedFiles) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tds-restore-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string backup = (dir / "backup.bak").string();
    const std::string command = "'" + support::TdsTestServer::program() + "' --postgres '" +
                                support::pgConnInfo() + "' --database '" + source_->name() +
                                "' --write-backup-set '" + backup + "'" +
                                " --data-name cwdata --log-name cwdata_log";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const std::string restored = "QXLirToOrbit_R" + std::to_string(getpid());
    const std::string attached = "QXLirToOrbit_A" + std::to_string(getpid());
    support::dropPgDatabase(restored);
    support::dropPgDatabase(attached);
    auto master = connect("master");

    const Outcome files = master->run(source::FileListSql(backup));
    ASSERT_TRUE(files.succeeded) << files.errorText();
    ASSERT_EQ(files.results.at(0).rows.size(), 2u);
    EXPECT_EQ(*files.results[0].rows[0][0], "cwdata");
    EXPECT_EQ(*files.results[0].rows[1][0], "cwdata_log");

    const std::string directory = dir.string() + "/";
    const Outcome restore =
        master->run(source::RestoreSql(restored, backup, directory, "cwdata", "cwdata_log"));
    ASSERT_TRUE(restore.succeeded) << restore.errorText();
    EXPECT_TRUE(fs::exists(directory + restored + ".mdf"));
    EXPECT_TRUE(fs::exists(directory + restored + ".ldf"));
    EXPECT_EQ(master
                  ->run(source::DatabaseExistsSql(
                      source::SourceDatabaseName("R" + std::to_string(getpid()))))
                  .results.at(0)
                  .rows.size(),
              1u);
    {
        auto copy = connect(restored);
        const Outcome rows = copy->run(sourcesql::CountRows("am_sysparam"));
        EXPECT_EQ(copy->text(SYBINT4, *rows.results.at(0).rows.at(0).at(0)), "9");
    }
    // Restoring over it again is allowed ("with replace").
    EXPECT_TRUE(master->run(source::RestoreSql(restored, backup, directory, "cwdata", "cwdata_log"))
                    .succeeded);

    // The tool deletes the log files before attaching: the server rebuilds the
    // log and says so with an error naming the .LDF file.
    fs::remove(directory + restored + ".ldf");
    const Outcome attach = master->run(source::AttachSql(
        source::SourceDatabaseName("A" + std::to_string(getpid())), directory + restored + ".mdf"));
    EXPECT_FALSE(attach.succeeded);
    EXPECT_TRUE(mentions(attach, "LDF")) << attach.errorText();
    {
        auto copy = connect(attached);
        EXPECT_TRUE(copy->run(sourcesql::AllRows("l_goods")).succeeded);
    }

    const std::string missing = directory + "missing.bak";
    for (const std::string& sql :
         {source::FileListSql(missing),
          source::RestoreSql(restored + "x", missing, directory, "cwdata", "cwdata_log"),
          source::AttachSql(source::SourceDatabaseName("M" + std::to_string(getpid())),
                            directory + "missing.MDF")}) {
        SCOPED_TRACE(sql);
        const Outcome failed = master->run(sql);
        EXPECT_FALSE(failed.succeeded);
        EXPECT_TRUE(mentions(failed, gb18030("无法打开"))) << failed.errorText();
    }
    const Outcome garbage = master->run(
        source::AttachSql(source::SourceDatabaseName("G" + std::to_string(getpid())), backup));
    EXPECT_FALSE(garbage.succeeded);
    EXPECT_FALSE(mentions(garbage, gb18030("无法打开")));
    EXPECT_FALSE(mentions(garbage, "LDF"));

    master.reset();
    support::dropPgDatabase(restored);
    support::dropPgDatabase(attached);
    fs::remove_all(dir);
}

}  // namespace
