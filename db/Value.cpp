#include "Value.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "DbError.h"
#include "DecimalText.h"
#include "ValueText.h"

namespace db {

namespace {

[[noreturn]] void notAnInteger(std::string_view what, const std::string& shown) {
    std::string message = "value is not an integer";
    if (!what.empty()) message += ": " + std::string(what);
    message += ", value \"" + shown + "\"";
    throw ConversionError(message);
}

}  // namespace

std::string Value::toText() const {
    switch (kind_) {
        case Kind::Null:
            return {};
        case Kind::Bool:
            return int_ ? "True" : "False";
        case Kind::Int:
            return std::to_string(int_);
        case Kind::Float: {
            std::string out;
            appendFloatText(float_, out);
            return out;
        }
        case Kind::Decimal: {
            auto parsed = DecimalText::parse(text_);
            return parsed ? parsed->normalized() : text_;
        }
        case Kind::DateTime:
        case Kind::Text:
        case Kind::Binary:
            return text_;
    }
    return text_;
}

int64_t Value::toInteger(std::string_view what) const {
    switch (kind_) {
        case Kind::Null:
            return 0;
        case Kind::Bool:
        case Kind::Int:
            return int_;
        case Kind::Float: {
            // Half to even, as a float-to-integer cast rounds.
            double r = std::nearbyint(float_);
            if (!std::isfinite(r) || r < -9223372036854775808.0 || r >= 9223372036854775808.0)
                notAnInteger(what, toText());
            return static_cast<int64_t>(r);
        }
        case Kind::Decimal: {
            auto parsed = DecimalText::parse(text_);
            if (!parsed) notAnInteger(what, text_);
            auto rounded = parsed->roundToInteger();
            if (!rounded) notAnInteger(what, text_);
            return *rounded;
        }
        case Kind::Text: {
            auto parsed = parseIntegerText(text_);
            if (!parsed) notAnInteger(what, text_);
            return *parsed;
        }
        case Kind::DateTime:
        case Kind::Binary:
            notAnInteger(what, text_);
    }
    return 0;
}

bool operator==(const Value& a, const Value& b) {
    using Kind = Value::Kind;
    auto numeric = [](Kind k) { return k == Kind::Int || k == Kind::Decimal; };
    if (a.kind_ != b.kind_) {
        if (!numeric(a.kind_) || !numeric(b.kind_)) return false;
        auto x = DecimalText::parse(a.toText());
        auto y = DecimalText::parse(b.toText());
        return x && y && x->normalized() == y->normalized();
    }
    switch (a.kind_) {
        case Kind::Null:
            return true;
        case Kind::Bool:
        case Kind::Int:
            return a.int_ == b.int_;
        case Kind::Float:
            return a.float_ == b.float_;
        case Kind::Decimal: {
            if (a.text_ == b.text_) return true;
            auto x = DecimalText::parse(a.text_);
            auto y = DecimalText::parse(b.text_);
            return x && y && x->normalized() == y->normalized();
        }
        case Kind::DateTime:
        case Kind::Text:
        case Kind::Binary:
            return a.text_ == b.text_;
    }
    return false;
}

}  // namespace db
