#include <gtest/gtest.h>

#include "db/DbError.h"
#include "db/Value.h"

using db::Value;

namespace {

Value decimal(const char* text) {
    Value v;
    v.setDecimal(text);
    return v;
}

Value floating(double d) {
    Value v;
    v.setFloat(d);
    return v;
}

}  // namespace

TEST(Value, TextForms) {
    Value yes, no;
    yes.setBool(true);
    no.setBool(false);
    const std::pair<Value, const char*> cases[] = {
        {Value::null(), ""},
        {yes, "True"},
        {no, "False"},
        {Value::fromInt(-9223372036854775807LL - 1), "-9223372036854775808"},
        {floating(0.1), "0.1"},
        {floating(12.0), "12"},
        {decimal("12.3400"), "12.34"},
        {decimal("5.0000"), "5"},
        {decimal("-0.50"), "-0.5"},
        {decimal("-0.00"), "0"},
        {decimal("100"), "100"},
        {decimal("12345678901234567890.123456789"), "12345678901234567890.123456789"},
        {Value::fromText("中文"), "中文"},
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(value.toText(), text);
    }
}

TEST(Value, IntegerForms) {
    const std::pair<Value, int64_t> cases[] = {
        {Value::null(), 0},          {decimal("2.5"), 3},  // numeric rounds half away from zero
        {decimal("-2.5"), -3},       {decimal("2.4999"), 2},
        {floating(2.5), 2},  // float rounds half to even
        {floating(3.5), 4},          {Value::fromText(" 42 "), 42},
        {Value::fromText("-7"), -7}, {decimal("9223372036854775807"), 9223372036854775807LL},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value.toText());
        EXPECT_EQ(value.toInteger(), expected);
    }
    for (const Value& bad : {Value::fromText("4x"), Value::fromText(""), Value::fromText("1.5"),
                             decimal("9223372036854775808"), floating(1e30)}) {
        SCOPED_TRACE(bad.toText());
        try {
            bad.toInteger("paramid");
            ADD_FAILURE() << "no error";
        } catch (const db::ConversionError& e) {
            EXPECT_NE(std::string(e.what()).find("paramid"), std::string::npos) << e.what();
        }
    }
}

TEST(Value, Equality) {
    EXPECT_EQ(Value::null(), Value::null());
    EXPECT_EQ(decimal("2.00"), Value::fromInt(2));
    EXPECT_EQ(decimal("2.50"), decimal("2.5"));
    EXPECT_EQ(Value::fromText("A"), Value::fromText("A"));
    EXPECT_NE(decimal("2.5"), Value::fromInt(2));
    EXPECT_NE(Value::fromText("2"), Value::fromInt(2));
    EXPECT_NE(Value::null(), Value::fromInt(0));
    EXPECT_NE(Value::fromText("a"), Value::fromText("A"));
}
