#include <gtest/gtest.h>
#include <unistd.h>

#include "AllocationCounter.h"
#include "DbTestSupport.h"
#include "db/ConnectionStrings.h"
#include "db/DbError.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"

using namespace db;

// A legacy account set behind the SQL Server test server.
class SourceQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        name_ = new std::string("qxdb_source_" + std::to_string(getpid()));
        support::dropSourceDatabase(*name_);
        support::createSourceDatabase(*name_);
        support::execPg(support::pgConnInfo(*name_), R"(
create table typed (id int, tiny tinyint, small smallint, big bigint, flag boolean, dec numeric(38,9),
  amount money, small_amount smallmoney, ratio float8, made datetime, day smalldatetime,
  code varchar(20), fixed char(4), wide nvarchar, memo text, wide_memo ntext, data varbinary,
  pic image, guid uniqueidentifier);
insert into typed values
 (1, 255, -32768, -9223372036854775807, true, -12345678901234567890123456789.123456789,
  -1.0001, 214748.3647, 0.1, '2024-02-29 13:45:30.500', '2024-02-29 13:46:00', '中文abc', 'ab',
  '宽字符', repeat('长', 100000), 'ntext 文字', '\x00ff10', '\x89504e47', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'),
 (2, null, null, null, null, 0.5, 922337203685477.5807, null, null, '1900-01-05 03:04:05.997', null, '', null, null, null,
  null, null, null, null);
create table five (id int);
insert into five select generate_series(1, 5);
create table marks (id int, name varchar(60));
insert into marks values (1, '甲' || U&'\E734' || '乙' || U&'\E019' || '丙');
)");
        server_ = new support::TdsTestServer();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
        support::dropSourceDatabase(*name_);
        delete name_;
        name_ = nullptr;
    }
    void SetUp() override { connection_.open(dbtest::sourceConnectionString(*server_, *name_)); }

    static std::string* name_;
    static support::TdsTestServer* server_;
    SourceConnection connection_;
};

std::string* SourceQueryTest::name_ = nullptr;
support::TdsTestServer* SourceQueryTest::server_ = nullptr;

TEST_F(SourceQueryTest, ValuesArriveExactlyWithTheirTypes) {
    SourceQuery q(connection_);
    q.setText("select * from typed order by id");
    q.open();
    const std::pair<const char*, ColumnType> types[] = {
        {"id", ColumnType::Integer},
        {"tiny", ColumnType::SmallInt},
        {"small", ColumnType::SmallInt},
        {"big", ColumnType::BigInt},
        {"flag", ColumnType::Boolean},
        {"dec", ColumnType::Decimal},
        {"amount", ColumnType::Money},
        {"small_amount", ColumnType::Money},
        {"ratio", ColumnType::Float},
        {"made", ColumnType::DateTime},
        {"day", ColumnType::DateTime},
        {"code", ColumnType::VarChar},
        // db-lib reports char and nvarchar as varchar, ntext as text.
        {"fixed", ColumnType::VarChar},
        {"wide", ColumnType::VarChar},
        {"memo", ColumnType::LongText},
        {"wide_memo", ColumnType::LongText},
        {"data", ColumnType::VarBinary},
        {"pic", ColumnType::LongBinary},
        {"guid", ColumnType::Guid},
    };
    ASSERT_EQ(q.columns().size(), std::size(types));
    for (size_t i = 0; i < std::size(types); ++i) {
        SCOPED_TRACE(types[i].first);
        EXPECT_EQ(q.columns()[i].name, types[i].first);
        EXPECT_STREQ(columnTypeName(q.columns()[i].type), columnTypeName(types[i].second));
    }

    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.recNo(), 1);
    EXPECT_EQ(q.asInteger("tiny"), 255);
    EXPECT_EQ(q.asInteger("small"), -32768);
    EXPECT_EQ(q.asInteger("big"), -9223372036854775807LL);
    EXPECT_EQ(q.fieldByName("flag").kind(), Value::Kind::Bool);
    EXPECT_TRUE(q.fieldByName("flag").boolValue());
    EXPECT_EQ(q.fieldByName("dec").kind(), Value::Kind::Decimal);
    EXPECT_EQ(q.fieldByName("dec").bytes(), "-12345678901234567890123456789.123456789");
    EXPECT_EQ(q.fieldByName("amount").bytes(), "-1.0001");
    EXPECT_EQ(q.fieldByName("small_amount").bytes(), "214748.3647");
    EXPECT_EQ(q.fieldByName("ratio").floatValue(), 0.1);
    EXPECT_EQ(q.asText("made"), "2024-02-29 13:45:30.500");
    EXPECT_EQ(q.asText("day"), "2024-02-29 13:46:00.000");
    EXPECT_EQ(q.asText("code"), "中文abc");
    EXPECT_EQ(q.asText("fixed"), "ab  ");
    EXPECT_EQ(q.asText("wide"), "宽字符");
    std::string longText;
    for (int i = 0; i < 100000; ++i) longText += "长";
    EXPECT_EQ(q.asText("memo"), longText);  // not cut at a default text size
    EXPECT_EQ(q.asText("wide_memo"), "ntext 文字");
    EXPECT_EQ(q.fieldByName("data").kind(), Value::Kind::Binary);
    EXPECT_EQ(q.fieldByName("data").bytes(), std::string("\x00\xff\x10", 3));
    EXPECT_EQ(q.fieldByName("pic").bytes(), "\x89PNG");
    EXPECT_EQ(Value::fromText(q.asText("guid")).toText().size(), 36u);
    EXPECT_EQ(strcasecmp(q.asText("guid").c_str(), "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"), 0);

    q.next();
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_TRUE(q.fieldByName("tiny").isNull());
    EXPECT_EQ(q.fieldByName("dec").toText(), "0.5");
    EXPECT_EQ(q.fieldByName("amount").bytes(), "922337203685477.5807");
    EXPECT_EQ(q.asText("made"),
              "1900-01-05 03:04:05.997");  // zero-padded fields, the last tick of a second
    EXPECT_FALSE(q.fieldByName("code").isNull());
    EXPECT_EQ(q.asText("code"), "");
    EXPECT_TRUE(q.fieldByName("memo").isNull());
    q.next();
    EXPECT_TRUE(q.eof());
}

TEST_F(SourceQueryTest, UserDefinedCharactersSurvive) {
    SourceQuery q(connection_);
    q.setText("select name from marks");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.asText("name"), "甲\uE734乙\uE019丙");
}

TEST_F(SourceQueryTest, ServerErrorsRaiseWithTheirText) {
    SourceQuery q(connection_);
    q.setText("select * from no_such_table");
    try {
        q.open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
        EXPECT_NE(e.number(), 0);
    }
    EXPECT_THROW(connection_.execute("update no_such_table set x = 1"), DbError);

    // An error of a later statement of the batch is raised at the end of the rows.
    q.setText("select id from five order by id; select * from no_such_table");
    q.open();
    int rows = 0;
    EXPECT_THROW(
        {
            while (!q.eof()) {
                ++rows;
                q.next();
            }
        },
        DbError);
    EXPECT_EQ(rows, 5);

    EXPECT_NO_THROW(connection_.execute("select 1"));
}

TEST_F(SourceQueryTest, AnotherCommandBuffersTheUnreadRows) {
    SourceQuery outer(connection_);
    outer.setText("select id from five order by id");
    outer.open();
    outer.next();
    ASSERT_EQ(outer.asInteger("id"), 2);

    SourceQuery inner(connection_);
    inner.setText("select count(1) as cnt from five where 1=1 ");
    inner.open();
    EXPECT_EQ(inner.asInteger("cnt"), 5);
    connection_.execute("select 1");

    std::vector<int64_t> rest;
    for (outer.next(); !outer.eof(); outer.next()) rest.push_back(outer.asInteger("id"));
    EXPECT_EQ(rest, (std::vector<int64_t>{3, 4, 5}));
    EXPECT_EQ(outer.recNo(), 5);
}

TEST_F(SourceQueryTest, LoginFailuresCarryTheServerText) {
    SourceConnection other;
    int afterConnect = 0;
    other.setAfterConnect([&] { ++afterConnect; });
    const std::string wrongPassword =
        SqlServerConnectionString(server_->host(), std::to_string(server_->port()), server_->user(),
                                  "wrong;pw=", *name_, "SQLOLEDB.1");
    try {
        other.open(wrongPassword);
        FAIL() << "no error";
    } catch (const ConnectError& e) {
        EXPECT_EQ(e.number(), 18456) << e.what();
    }
    try {
        other.open(dbtest::sourceConnectionString(*server_, "qx_no_such_db"));
        FAIL() << "no error";
    } catch (const ConnectError& e) {
        EXPECT_NE(std::string(e.what()).find("qx_no_such_db"), std::string::npos) << e.what();
    }
    EXPECT_THROW(
        other.open(SqlServerConnectionString("127.0.0.1", "1", "sa", "pw", "master", "SQLOLEDB.1")),
        ConnectError);
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(afterConnect, 0);
    other.open(dbtest::sourceConnectionString(*server_, "master"));
    EXPECT_EQ(afterConnect, 1);
    EXPECT_TRUE(other.isOpen());
}

TEST_F(SourceQueryTest, LargeTableIsStreamedInFlatMemory) {
    support::execPg(support::pgConnInfo(*name_),
                    "create table big as select g as id, 'name ' || g as name, (g * "
                    "1.25)::numeric(12,2) as price"
                    " from generate_series(1, 1000000) g");
    SourceQuery q(connection_);
    q.setText("select * from big");
    q.open();
    long before = 0;
    size_t allocationsBefore = 0;
    int64_t rows = 0;
    size_t nameBytes = 0;
    for (; !q.eof(); q.next()) {
        if (++rows == 10000) {
            before = dbtest::residentKilobytes();
            allocationsBefore = dbtest::allocationCount();
        }
        nameBytes += q.value(1).bytes().size() + q.value(2).bytes().size();
    }
    long after = dbtest::residentKilobytes();
    size_t allocations = dbtest::allocationCount() - allocationsBefore;
    EXPECT_EQ(rows, 1000000);
    EXPECT_EQ(q.recNo(), 1000000);
    EXPECT_GT(nameBytes, 0u);
    // A million rows held on the client would take far more than this.
    EXPECT_LT(after - before, 8 * 1024)
        << "RSS grew from " << before << " kB to " << after << " kB";
    // Each column's value keeps its buffer: rows cost no allocations (a buffer
    // may grow a few times as longer values come).
    EXPECT_LT(allocations, 100u);

    // Closing in the middle drops the unread rows and leaves the connection usable.
    q.open();
    for (int i = 0; i < 10; ++i) q.next();
    q.close();
    SourceQuery count(connection_);
    count.setText("select count(1) as cnt from big");
    count.open();
    EXPECT_EQ(count.asInteger("cnt"), 1000000);
    support::execPg(support::pgConnInfo(*name_), "drop table big");
}
