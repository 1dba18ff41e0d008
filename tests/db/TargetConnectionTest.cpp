#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "db/DbError.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "support/PgTestEnv.h"

using namespace db;

class TargetConnectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        database_ = new support::TempPgDatabase("db_target_connection");
    }
    static void TearDownTestSuite() {
        delete database_;
        database_ = nullptr;
    }
    static support::TempPgDatabase* database_;
};

support::TempPgDatabase* TargetConnectionTest::database_ = nullptr;

TEST_F(TargetConnectionTest, ExecuteSendsOneBatchAndRunsAfterConnect) {
    TargetConnection connection;
    int afterConnect = 0;
    connection.setAfterConnect([&] { ++afterConnect; });
    connection.open(dbtest::targetConnectionString(database_->name()));
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(afterConnect, 1);

    connection.execute(
        "create table batch_t (id int, name varchar(10)); insert into batch_t values (1, '甲');"
        "insert into batch_t values (2, 'b'); select 1;");
    TargetQuery query(connection);
    query.setText(
        "select string_agg(name, ',' order by id) as names, current_setting('client_encoding') as "
        "enc, "
        "current_setting('statement_timeout') as timeout from batch_t");
    query.open();
    EXPECT_EQ(query.asText("names"), "甲,b");
    EXPECT_EQ(query.asText("enc"), "UTF8");
    EXPECT_EQ(query.asText("timeout"), "0");
}

TEST_F(TargetConnectionTest, ServerErrorsCarryTextAndState) {
    TargetConnection connection;
    connection.open(dbtest::targetConnectionString(database_->name()));
    try {
        connection.execute("select * from no_such_table");
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.sqlState(), "42P01");
        EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
    }
    // The connection stays usable after an error.
    EXPECT_NO_THROW(connection.execute("select 1"));
}

TEST_F(TargetConnectionTest, FailedOpenRaisesConnectErrorWithoutAfterConnect) {
    TargetConnection connection;
    int afterConnect = 0;
    connection.setAfterConnect([&] { ++afterConnect; });
    try {
        connection.open(dbtest::targetConnectionString("qx_missing_database"));
        FAIL() << "no error";
    } catch (const ConnectError& e) {
        EXPECT_NE(std::string(e.what()).find("qx_missing_database"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(afterConnect, 0);
    EXPECT_THROW(connection.open("Provider=MSDASQL.1;Server=x"), ConnectError);
}
