#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "db/DbError.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "support/PgTestEnv.h"

using namespace db;

class TargetQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database_ = new support::TempPgDatabase("db_target_query"); }
    static void TearDownTestSuite() {
        delete database_;
        database_ = nullptr;
    }
    void SetUp() override { connection_.open(dbtest::targetConnectionString(database_->name())); }

    static support::TempPgDatabase* database_;
    TargetConnection connection_;
};

support::TempPgDatabase* TargetQueryTest::database_ = nullptr;

TEST_F(TargetQueryTest, RowsAreTypedByColumnType) {
    connection_.execute(
        "create table typed (b boolean, i2 smallint, i4 integer, i8 bigint, n numeric(38,9), m "
        "money, f float8,"
        " ts timestamp(3), d date, t time, vc varchar(20), c char(3), tx text, by bytea, u uuid);"
        "insert into typed values (true, -2, 40000, 9223372036854775807, "
        "-12345678901234567890.123456789,"
        " 12.34, 0.1, '2024-02-29 13:45:30.5', '2024-02-29', '13:45:30', 'Zhōng 中', 'ab', 'memo',"
        " '\\x00ff0a', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11');"
        "insert into typed (b) values (null);");
    TargetQuery query(connection_);
    query.setText("select * from typed order by b nulls last");
    query.open();

    const std::pair<const char*, ColumnType> expectedTypes[] = {
        {"b", ColumnType::Boolean},   {"i2", ColumnType::SmallInt},   {"i4", ColumnType::Integer},
        {"i8", ColumnType::BigInt},   {"n", ColumnType::Decimal},     {"m", ColumnType::Money},
        {"f", ColumnType::Float},     {"ts", ColumnType::DateTime},   {"d", ColumnType::Date},
        {"t", ColumnType::Time},      {"vc", ColumnType::VarChar},    {"c", ColumnType::Char},
        {"tx", ColumnType::LongText}, {"by", ColumnType::LongBinary}, {"u", ColumnType::Guid},
    };
    ASSERT_EQ(query.columns().size(), std::size(expectedTypes));
    for (size_t i = 0; i < std::size(expectedTypes); ++i) {
        SCOPED_TRACE(expectedTypes[i].first);
        EXPECT_EQ(query.columns()[i].name, expectedTypes[i].first);
        EXPECT_EQ(query.columns()[i].type, expectedTypes[i].second);
    }
    EXPECT_TRUE(isPlainText(query.columns()[10].type));
    EXPECT_FALSE(isPlainText(query.columns()[12].type));

    ASSERT_EQ(query.recordCount(), 2);
    ASSERT_FALSE(query.eof());
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(query.fieldByName("b").kind(), Value::Kind::Bool);
    EXPECT_TRUE(query.fieldByName("b").boolValue());
    EXPECT_EQ(query.asInteger("i2"), -2);
    EXPECT_EQ(query.asInteger("i8"), 9223372036854775807LL);
    EXPECT_EQ(query.fieldByName("n").kind(), Value::Kind::Decimal);
    EXPECT_EQ(query.fieldByName("n").bytes(), "-12345678901234567890.123456789");
    EXPECT_EQ(query.asText("m"), "12.34");
    EXPECT_EQ(query.fieldByName("f").floatValue(), 0.1);
    EXPECT_EQ(query.asText("ts"), "2024-02-29 13:45:30.5");
    EXPECT_EQ(query.asText("vc"), "Zhōng 中");
    EXPECT_EQ(query.asText("c"), "ab ");
    EXPECT_EQ(query.fieldByName("by").kind(), Value::Kind::Binary);
    EXPECT_EQ(query.fieldByName("by").bytes(), std::string("\x00\xff\n", 3));
    EXPECT_EQ(query.asText("u"), "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11");
    EXPECT_THROW(query.fieldByName("nope"), FieldNotFound);
    EXPECT_EQ(query.findColumn("nope"), -1);

    query.next();
    EXPECT_EQ(query.recNo(), 2);
    for (size_t i = 0; i < query.columns().size(); ++i)
        EXPECT_TRUE(query.value(static_cast<int>(i)).isNull());
    EXPECT_EQ(query.asInteger("i4"), 0);
    query.next();
    EXPECT_TRUE(query.eof());
    EXPECT_THROW(query.value(0), DbError);
    query.first();
    EXPECT_EQ(query.recNo(), 1);
}

TEST_F(TargetQueryTest, EmptyResultStillHasColumns) {
    connection_.execute("create table empty_t (a int, b text)");
    TargetQuery query(connection_);
    query.setText("select * from empty_t where 1<0");
    query.open();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recordCount(), 0);
    ASSERT_EQ(query.columns().size(), 2u);
    EXPECT_TRUE(query.hasColumn("b"));
    query.close();
    EXPECT_FALSE(query.isOpen());
    query.setText("select * from no_such_table");
    EXPECT_THROW(query.open(), DbError);
}
