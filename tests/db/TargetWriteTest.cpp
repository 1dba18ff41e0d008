#include <gtest/gtest.h>

#include <optional>

#include "DbTestSupport.h"
#include "db/DbError.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "support/PgTestEnv.h"

using namespace db;

class TargetWriteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database_ = new support::TempPgDatabase("db_target_write"); }
    static void TearDownTestSuite() {
        delete database_;
        database_ = nullptr;
    }
    void SetUp() override { connection_.open(dbtest::targetConnectionString(database_->name())); }

    // One text per row: the columns as text, "|"-separated, NULL as "~".
    std::vector<std::string> rowsOf(const std::string& sql) {
        TargetQuery q(connection_);
        q.setText(sql);
        q.open();
        std::vector<std::string> rows;
        for (; !q.eof(); q.next()) {
            std::string row;
            for (size_t c = 0; c < q.columns().size(); ++c) {
                if (c) row += "|";
                const Value& v = q.value(static_cast<int>(c));
                row += v.isNull() ? "~" : v.toText();
            }
            rows.push_back(row);
        }
        return rows;
    }

    // The flush fails with the server's text for a value longer than varchar(3).
    static void expectValueTooLong(TargetQuery& q) {
        try {
            q.flush();
            FAIL() << "no error";
        } catch (const DbError& e) {
            EXPECT_NE(std::string(e.what()).find("value too long for type character varying(3)"),
                      std::string::npos)
                << e.what();
            EXPECT_EQ(e.sqlState(), "22001");
        }
    }

    static support::TempPgDatabase* database_;
    TargetConnection connection_;
};

support::TempPgDatabase* TargetWriteTest::database_ = nullptr;

TEST_F(TargetWriteTest, FlushCopiesAssignedColumnsAndLeavesDefaults) {
    connection_.execute(
        "create table goods (goodsid serial primary key, name varchar(40), qty int default 7, note "
        "text,"
        " data bytea, price numeric(12,4), made timestamp default '2000-01-01')");
    TargetQuery q(connection_);
    q.setText("select * from goods where 1<0");
    q.open();

    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    Value binary;
    binary.setBinary(allBytes);
    Value price;
    price.setDecimal("-1234567.8912");

    q.append();
    q.setInteger("goodsid", 10);
    q.setValue("name", Value::fromText("tab\there\\back\nline\rcr 中文"));
    q.setValue("data", binary);
    q.setValue("price", price);
    q.post();
    q.append();  // another set of columns: a second COPY
    q.setValue("name", Value::fromText("\\N"));
    q.setNull(q.findColumn("note"));
    q.post();
    EXPECT_EQ(q.pendingRows(), 2);
    EXPECT_EQ(q.recordCount(), 2);
    q.flush();
    EXPECT_EQ(q.pendingRows(), 0);

    auto rows = rowsOf("select goodsid, name, qty, note, price, made from goods order by goodsid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "1|\\N|7|~|~|2000-01-01 00:00:00");
    EXPECT_EQ(rows[1], "10|tab\there\\back\nline\rcr 中文|7|~|-1234567.8912|2000-01-01 00:00:00");
    TargetQuery check(connection_);
    check.setText("select data from goods where goodsid = 10");
    check.open();
    EXPECT_EQ(check.fieldByName("data").bytes(), allBytes);
}

TEST_F(TargetWriteTest, RejectedRowRaisesServerTextAndEarlierFlushesStay) {
    connection_.execute("create table short_names (id int primary key, name varchar(3))");
    TargetQuery q(connection_);
    q.setText("select * from short_names where 1<0");
    q.open();
    q.append();
    q.setInteger("id", 1);
    q.setValue("name", Value::fromText("abc"));
    q.post();
    q.flush();

    q.close();
    q.open();
    for (int id = 2; id <= 4; ++id) {
        q.append();
        q.setInteger("id", id);
        q.setValue("name", Value::fromText(id == 3 ? "toolong" : "ok"));
        q.post();
    }
    expectValueTooLong(q);
    EXPECT_EQ(rowsOf("select id, name from short_names order by id"),
              std::vector<std::string>{"1|abc"});
    // The connection is usable after the failed COPY.
    EXPECT_NO_THROW(connection_.execute("select 1"));
}

TEST_F(TargetWriteTest, BatchSentWithoutWaitingIsStoredOrFailsAtTheNextStatement) {
    connection_.execute("create table batches (id int primary key, name varchar(3))");
    TargetQuery q(connection_);
    q.setText("select * from batches where 1<0");
    q.open();
    auto appendBatch = [&](int from, int to, int badId) {
        for (int id = from; id <= to; ++id) {
            q.append();
            q.setInteger("id", id);
            q.setValue("name", Value::fromText(id == badId ? "toolong" : "ok"));
            q.post();
        }
    };

    appendBatch(1, 3, 0);
    q.flushWithoutWaiting();
    q.forgetRows();
    EXPECT_EQ(q.recordCount(), 0);
    appendBatch(4, 5, 5);
    q.flushWithoutWaiting();  // the server has not answered yet
    q.forgetRows();
    appendBatch(6, 6, 0);
    expectValueTooLong(q);
    // The failed batch is gone as a whole; the next one was not sent and still waits.
    EXPECT_EQ(q.pendingRows(), 1);
    EXPECT_THROW(q.forgetRows(), DbError);
    EXPECT_EQ(rowsOf("select id from batches order by id"),
              (std::vector<std::string>{"1", "2", "3"}));
    q.flush();
    EXPECT_EQ(rowsOf("select id from batches order by id"),
              (std::vector<std::string>{"1", "2", "3", "6"}));

    // Any statement takes the outcome first, not only a flush.
    q.forgetRows();
    appendBatch(7, 7, 7);
    q.flushWithoutWaiting();
    EXPECT_THROW(connection_.execute("select 1"), DbError);
    EXPECT_NO_THROW(connection_.execute("select 1"));
}

struct CastCase {
    const char* column;
    Value input;
    const char* stored;  // the column as text afterwards; nullptr: a conversion error
};

Value decimalValue(const char* text) {
    Value v;
    v.setDecimal(text);
    return v;
}
Value floatValue(double d) {
    Value v;
    v.setFloat(d);
    return v;
}
Value boolValue(bool b) {
    Value v;
    v.setBool(b);
    return v;
}

TEST_F(TargetWriteTest, AssignedValuesAreConvertedToTheColumnType) {
    connection_.execute(
        "create table conv (tag int, i2 smallint, i4 int, i8 bigint, n numeric(20,4), f float8, b "
        "boolean,"
        " v varchar(50), by bytea)");
    const CastCase cases[] = {
        {"i4", decimalValue("2.5"), "3"},
        {"i4", decimalValue("-2.5"), "-3"},
        {"i4", floatValue(2.5), "2"},
        {"i4", floatValue(3.5), "4"},
        {"i4", Value::fromText(" 12 "), "12"},
        {"i4", Value::fromText("12.5"), "13"},
        {"i4", boolValue(true), "1"},
        {"i4", Value::fromText("abc"), nullptr},
        {"i4", Value::fromText(""), nullptr},
        {"i4", Value::fromInt(3000000000LL), nullptr},
        {"i2", Value::fromInt(40000), nullptr},
        {"i8", Value::fromText("9223372036854775807"), "9223372036854775807"},
        {"n", Value::fromText("1e3"), "1000.0000"},
        {"n", Value::fromInt(5), "5.0000"},
        {"n", floatValue(0.1), "0.1000"},
        {"n", Value::fromText("x1"), nullptr},
        {"f", decimalValue("0.25"), "0.25"},
        {"f", Value::fromText("nope"), nullptr},
        {"b", Value::fromText("1"), "true"},
        {"b", Value::fromText("false"), "false"},
        {"b", Value::fromInt(0), "false"},
        {"b", Value::fromText("maybe"), nullptr},
        {"v", Value::fromInt(12), "12"},
        {"v", decimalValue("1.50"), "1.50"},
        {"v", floatValue(0.1), "0.1"},
        {"by", Value::fromText("ab"), "\\x6162"},
        {"by", Value::fromInt(1), nullptr},
    };
    TargetQuery q(connection_);
    q.setText("select * from conv where 1<0");
    int tag = 0;
    for (const CastCase& c : cases) {
        ++tag;
        SCOPED_TRACE(std::string(c.column) + " <- " + c.input.toText());
        q.open();
        q.append();
        q.setInteger("tag", tag);
        if (!c.stored) {
            try {
                q.setValue(c.column, c.input);
                ADD_FAILURE() << "no error";
            } catch (const ConversionError& e) {
                std::string message = e.what();
                EXPECT_NE(message.find("table conv"), std::string::npos) << message;
                EXPECT_NE(message.find(std::string("column ") + c.column), std::string::npos)
                    << message;
                EXPECT_NE(message.find("value \"" + c.input.toText() + "\""), std::string::npos)
                    << message;
            }
            q.close();
            continue;
        }
        q.setValue(c.column, c.input);
        q.post();
        q.flush();
        q.close();
        auto rows = rowsOf("select " + std::string(c.column) +
                           "::text from conv where tag = " + std::to_string(tag));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], c.stored);
    }
}

TEST_F(TargetWriteTest, EditAndLocateByPrimaryKey) {
    connection_.execute(
        "create table kinds (kind int, id int, name varchar(20), kindname varchar(20), iskind int "
        "default 9,"
        " primary key (kind, id));"
        "insert into kinds values (5, 1, 'a', 'K5', 1), (5, 12, 'B', 'K5', 1), (6, 1, 'c', 'K6', "
        "1)");
    TargetQuery q(connection_);
    q.setText("select * from kinds order by kind, id");
    q.open();

    ASSERT_TRUE(q.locate("kind", {Value::fromInt(5)}));
    std::string kindname = q.asText("kindname");
    EXPECT_EQ(kindname, "K5");
    ASSERT_TRUE(q.locate("kind;id", {Value::fromInt(5), Value::fromInt(12)}));
    EXPECT_EQ(q.recNo(), 2);
    q.edit();
    q.setValue("name", Value::fromText("A"));
    q.post();
    EXPECT_FALSE(q.locate("kind;id", {Value::fromInt(5), Value::fromInt(13)}));
    EXPECT_EQ(q.recNo(), 2);  // position unchanged
    EXPECT_THROW(q.locate("kind;nope", {Value::fromInt(5), Value::fromInt(13)}), FieldNotFound);

    q.append();
    q.setInteger("kind", 5);
    q.setInteger("id", 13);
    q.setValue("name", Value::fromText("N"));
    q.setValue("kindname", Value::fromText(kindname));
    q.post();
    EXPECT_EQ(q.pendingRows(), 2);
    q.flush();

    EXPECT_EQ(rowsOf("select * from kinds order by kind, id"),
              (std::vector<std::string>{"5|1|a|K5|1", "5|12|A|K5|1", "5|13|N|K5|9", "6|1|c|K6|1"}));
}

TEST_F(TargetWriteTest, EditWithoutPrimaryKeyFindsTheRowByAllItsValues) {
    connection_.execute(
        "create table params (paramid int, datavalue varchar(20));"
        "insert into params values (1, 'x'), (1, 'y'), (2, null)");
    TargetQuery q(connection_);
    q.setText("select * from params order by paramid, datavalue");
    q.open();
    q.next();  // (1, 'y')
    q.edit();
    q.setValue("datavalue", Value::fromText("z"));
    q.post();
    q.next();                                       // (2, NULL)
    q.setValue("datavalue", Value::fromText("w"));  // assigning starts an edit
    q.post();
    q.flush();
    EXPECT_EQ(rowsOf("select * from params order by paramid, datavalue"),
              (std::vector<std::string>{"1|x", "1|z", "2|w"}));

    // A row that vanished on the server is an error, not a silent no-op.
    q.first();
    q.edit();
    q.setValue("datavalue", Value::fromText("gone"));
    q.post();
    connection_.execute("delete from params where datavalue = 'x'");
    EXPECT_THROW(q.flush(), DbError);
}
