// FillTargetRow's values as they arrive in a real target row: text cleaning,
// NULLs, member ids, constants, renames and the errors of missing columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/DbError.h"
#include "db/RowReader.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "engine/ColumnMapping.h"
#include "support/PgTestEnv.h"

namespace {

// One source row held in memory.
class SourceRow : public db::RowReader {
public:
    void add(const std::string& name, db::ColumnType type, db::Value value) {
        columns_.push_back(db::Column{name, type, 0});
        values_.push_back(std::move(value));
    }
    const std::vector<db::Column>& columns() const override { return columns_; }
    bool eof() const override { return false; }
    void next() override {}
    int64_t recNo() const override { return 1; }
    const db::Value& value(int index) const override { return values_.at(index); }

private:
    std::vector<db::Column> columns_;
    std::vector<db::Value> values_;
};

db::Value text(const std::string& s) { return db::Value::fromText(s); }

const std::string kBoth = "\xEE\x9C\xB4\xEE\x80\x99";  // U+E734 U+E019

class FillTargetRowTest : public testing::Test {
protected:
    void SetUp() override {
        support::execPg(
            database.connInfo(),
            "create table s_sale (id int, name varchar(40), memo text, code char(6), vipid int,"
            " amount numeric(14,4), storeshopid int, skuid int);"
            "create table o_resume (id int, forefather varchar(40), registeraddress varchar(40),"
            " marriage varchar(10), shopid int);");
        connection.open("Provider=MSDASQL.1;Driver={PostgreSQL ANSI};Server=" + pgValue("host") +
                        ";Port=" + pgValue("port") + ";Database=" + database.name() +
                        ";Uid=" + pgValue("user"));
    }

    static std::string pgValue(const std::string& key) {
        const std::string info = support::pgConnInfo();
        size_t at = info.find(key + "=");
        if (at == std::string::npos) return key == "user" ? "postgres" : "";
        at += key.size() + 1;
        return info.substr(at, info.find(' ', at) - at);
    }

    // Inserts one row of `table` filled from `source` and reads it back as text.
    std::vector<std::string> fill(const std::string& table, const SourceRow& source,
                                  const std::string& columns) {
        db::TargetQuery target(connection);
        target.setText("select * from " + table + " where 1<0");
        target.open();
        engine::ColumnPlan plan =
            engine::ColumnPlan::forTable(table, target.columns(), source.columns());
        target.append();
        engine::FillTargetRow(plan, source, target);
        target.post();
        target.flush();
        db::TargetQuery back(connection);
        back.setText("select " + columns + " from " + table);
        back.open();
        std::vector<std::string> row;
        for (size_t i = 0; i < back.columns().size(); ++i) {
            const db::Value& v = back.value(static_cast<int>(i));
            row.push_back(v.isNull() ? "<null>" : v.toText());
        }
        connection.execute("delete from " + table);
        return row;
    }

    support::TempPgDatabase database{"fill_target_row"};
    db::TargetConnection connection;
};

TEST_F(FillTargetRowTest, CleansPlainTextOnlyAndLeavesNullsAlone) {
    struct Case {
        db::Value name, memo, code;
        std::vector<std::string> expected;
    } cases[] = {
        {text("商" + kBoth + "品"),
         text("备" + kBoth),
         text("A" + kBoth),
         {"商品", "备" + kBoth, "A" + kBoth}},
        {text(kBoth), text(""), text(""), {"", "", ""}},
        {db::Value::null(), db::Value::null(), db::Value::null(), {"<null>", "<null>", "<null>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected[0]);
        SourceRow source;
        source.add("name", db::ColumnType::VarChar, c.name);
        source.add("memo", db::ColumnType::LongText, c.memo);
        source.add("code", db::ColumnType::Char, c.code);
        // char(6) pads; compare without the padding.
        std::vector<std::string> row = fill("s_sale", source, "name, memo, rtrim(code)");
        EXPECT_EQ(row, c.expected);
    }
}

TEST_F(FillTargetRowTest, MemberIdsReadBlankAsZero) {
    struct Case {
        db::Value vipid;
        std::string expected;
    } cases[] = {{db::Value::null(), "0"},
                 {text(""), "0"},
                 {text("   "), "0"},
                 {text(" 12 "), "12"},
                 {db::Value::fromInt(7), "7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SourceRow source;
        source.add("vipid", db::ColumnType::VarChar, c.vipid);
        EXPECT_EQ(fill("s_sale", source, "vipid"), std::vector<std::string>{c.expected});
    }
    SourceRow bad;
    bad.add("vipid", db::ColumnType::VarChar, text("x12"));
    EXPECT_THROW(fill("s_sale", bad, "vipid"), db::ConversionError);
}

TEST_F(FillTargetRowTest, CopiesValuesAndFillsMissingColumns) {
    SourceRow source;
    db::Value amount;
    amount.setDecimal("123456789.1234");
    source.add("id", db::ColumnType::Integer, db::Value::fromInt(3));
    source.add("amount", db::ColumnType::Decimal, amount);
    source.add("goodsid", db::ColumnType::Integer, db::Value::fromInt(44));
    // name, memo, code and vipid are absent: they stay NULL (no default).
    EXPECT_EQ(fill("s_sale", source, "id, amount, storeshopid, skuid, name, vipid"),
              (std::vector<std::string>{"3", "123456789.1234", "0", "44", "<null>", "<null>"}));
}

TEST_F(FillTargetRowTest, RenamedColumnsAndTheirMissingSources) {
    SourceRow source;
    source.add("id", db::ColumnType::Integer, db::Value::fromInt(1));
    source.add("rootaddress", db::ColumnType::VarChar, text("江苏"));
    source.add("marriagestatus", db::ColumnType::VarChar, text("已婚"));
    EXPECT_EQ(fill("o_resume", source, "forefather, registeraddress, marriage, shopid"),
              (std::vector<std::string>{"江苏", "江苏", "已婚", "<null>"}));

    SourceRow lacking;
    lacking.add("rootaddress", db::ColumnType::VarChar, text("江苏"));
    EXPECT_THROW(fill("o_resume", lacking, "id"), db::FieldNotFound);
}

}  // namespace
