#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace db {

// One column value with its type, NULL included. Decimals and money are exact
// decimal text (never a double); datetimes are "YYYY-MM-DD HH:MM:SS[.fff]" text;
// text is UTF-8; binary holds the raw bytes. A Value keeps its buffer when it is
// given a new content, so a row loop that reuses its Values allocates nothing.
class Value {
public:
    enum class Kind { Null, Bool, Int, Float, Decimal, DateTime, Text, Binary };

    Value() = default;
    static Value null() { return Value(); }
    static Value fromInt(int64_t v) {
        Value x;
        x.setInt(v);
        return x;
    }
    static Value fromText(std::string_view v) {
        Value x;
        x.setText(v);
        return x;
    }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }

    void setNull() {
        kind_ = Kind::Null;
        text_.clear();
    }
    void setBool(bool v) {
        kind_ = Kind::Bool;
        int_ = v ? 1 : 0;
        text_.clear();
    }
    void setInt(int64_t v) {
        kind_ = Kind::Int;
        int_ = v;
        text_.clear();
    }
    void setFloat(double v) {
        kind_ = Kind::Float;
        float_ = v;
        text_.clear();
    }
    void setDecimal(std::string_view v) {
        kind_ = Kind::Decimal;
        text_.assign(v);
    }
    void setDateTime(std::string_view v) {
        kind_ = Kind::DateTime;
        text_.assign(v);
    }
    void setText(std::string_view v) {
        kind_ = Kind::Text;
        text_.assign(v);
    }
    void setBinary(std::string_view v) {
        kind_ = Kind::Binary;
        text_.assign(v);
    }
    // The buffer of a Decimal/DateTime/Text/Binary value, for decoders that fill it in place.
    std::string& mutableBytes(Kind kind) {
        kind_ = kind;
        text_.clear();
        return text_;
    }

    bool boolValue() const { return int_ != 0; }
    int64_t intValue() const { return int_; }
    double floatValue() const { return float_; }
    // Decimal, DateTime, Text and Binary content.
    const std::string& bytes() const { return text_; }

    // The value as text, as the legacy layer's AsString gave it: NULL is "", a bool
    // "True"/"False", numbers in their shortest exact form, binary as its bytes.
    std::string toText() const;
    // The value as an integer; NULL is 0. Throws ConversionError (naming `what`)
    // for text that is not an integer and for out-of-range numbers.
    int64_t toInteger(std::string_view what = {}) const;

    // Same kind and content (a Decimal compares numerically with Int and Decimal).
    friend bool operator==(const Value& a, const Value& b);

private:
    Kind kind_ = Kind::Null;
    int64_t int_ = 0;
    double float_ = 0;
    std::string text_;
};

}  // namespace db
