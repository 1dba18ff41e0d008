#include "ColumnCast.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "DecimalText.h"
#include "ValueText.h"

namespace db {

namespace {

using Kind = Value::Kind;

constexpr const char* kNotNumber = "not a number";
constexpr const char* kOutOfRange = "number out of range";

std::optional<bool> parseBoolText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    auto is = [&](const char* word) {
        return text.size() == std::char_traits<char>::length(word) &&
               strncasecmp(text.data(), word, text.size()) == 0;
    };
    if (is("1") || is("t") || is("true") || is("y") || is("yes") || is("on")) return true;
    if (is("0") || is("f") || is("false") || is("n") || is("no") || is("off")) return false;
    return std::nullopt;
}

const char* toBool(const Value& in, Value& out) {
    switch (in.kind()) {
        case Kind::Bool:
        case Kind::Int:
            out.setBool(in.intValue() != 0);
            return nullptr;
        case Kind::Float:
            out.setBool(in.floatValue() != 0);
            return nullptr;
        case Kind::Decimal: {
            auto d = DecimalText::parse(in.bytes());
            if (!d) return "not a boolean";
            out.setBool(!d->isZero());
            return nullptr;
        }
        case Kind::Text: {
            auto b = parseBoolText(in.bytes());
            if (!b) return "not a boolean";
            out.setBool(*b);
            return nullptr;
        }
        default:
            return "not a boolean";
    }
}

const char* toInteger(const Value& in, int64_t low, int64_t high, Value& out) {
    int64_t v = 0;
    switch (in.kind()) {
        case Kind::Bool:
        case Kind::Int:
            v = in.intValue();
            break;
        case Kind::Float: {
            double r = std::nearbyint(in.floatValue());
            if (std::isnan(r)) return kNotNumber;
            if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return kOutOfRange;
            v = static_cast<int64_t>(r);
            break;
        }
        case Kind::Decimal:
        case Kind::Text: {
            if (auto exact = parseIntegerText(in.bytes())) {
                v = *exact;
                break;
            }
            auto d = DecimalText::parse(in.bytes());
            if (!d) return kNotNumber;
            auto rounded = d->roundToInteger();
            if (!rounded) return kOutOfRange;
            v = *rounded;
            break;
        }
        default:
            return kNotNumber;
    }
    if (v < low || v > high) return kOutOfRange;
    out.setInt(v);
    return nullptr;
}

const char* toDecimal(const Value& in, Value& out) {
    switch (in.kind()) {
        case Kind::Bool:
        case Kind::Int:
            out.setDecimal(std::to_string(in.intValue()));
            return nullptr;
        case Kind::Float: {
            double v = in.floatValue();
            if (std::isinf(v)) return kOutOfRange;
            if (std::isnan(v)) {
                out.setDecimal("NaN");
                return nullptr;
            }
            // Fifteen significant digits, as the server's float8-to-numeric cast.
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.15g", v);
            out.setDecimal(buffer);
            return nullptr;
        }
        case Kind::Decimal:
            out.setDecimal(in.bytes());
            return nullptr;
        case Kind::Text:
            if (!DecimalText::parse(in.bytes())) return kNotNumber;
            out.setDecimal(in.bytes());
            return nullptr;
        default:
            return kNotNumber;
    }
}

const char* toFloat(const Value& in, Value& out) {
    switch (in.kind()) {
        case Kind::Bool:
        case Kind::Int:
            out.setFloat(static_cast<double>(in.intValue()));
            return nullptr;
        case Kind::Float:
            out.setFloat(in.floatValue());
            return nullptr;
        case Kind::Decimal:
        case Kind::Text: {
            auto v = parseFloatText(in.bytes());
            if (!v) return kNotNumber;
            out.setFloat(*v);
            return nullptr;
        }
        default:
            return kNotNumber;
    }
}

const char* toText(const Value& in, Value& out) {
    switch (in.kind()) {
        case Kind::Null:
            out.setNull();
            return nullptr;
        case Kind::Bool:
            out.setText(in.boolValue() ? "true" : "false");
            return nullptr;
        case Kind::Int:
            out.setText(std::to_string(in.intValue()));
            return nullptr;
        case Kind::Float: {
            std::string text;
            appendFloatText(in.floatValue(), text);
            out.setText(text);
            return nullptr;
        }
        case Kind::Binary: {
            std::string text = "\\x";
            appendHex(in.bytes(), text);
            out.setText(text);
            return nullptr;
        }
        case Kind::Decimal:
        case Kind::DateTime:
        case Kind::Text:
            out.setText(in.bytes());
            return nullptr;
    }
    return nullptr;
}

}  // namespace

const char* castToColumn(const Value& source, PgTypeClass column, Value& out) {
    if (source.isNull()) {
        out.setNull();
        return nullptr;
    }
    // A value cast onto itself is copied first, so no branch reads what it writes.
    Value aliasCopy;
    const Value& in = (&source == &out) ? (aliasCopy = source) : source;

    switch (column) {
        case PgTypeClass::Bool:
            return toBool(in, out);
        case PgTypeClass::Int2:
            return toInteger(in, std::numeric_limits<int16_t>::min(),
                             std::numeric_limits<int16_t>::max(), out);
        case PgTypeClass::Int4:
            return toInteger(in, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max(), out);
        case PgTypeClass::Int8:
            return toInteger(in, std::numeric_limits<int64_t>::min(),
                             std::numeric_limits<int64_t>::max(), out);
        case PgTypeClass::Numeric:
        case PgTypeClass::Money:
            return toDecimal(in, out);
        case PgTypeClass::Float4:
        case PgTypeClass::Float8:
            return toFloat(in, out);
        case PgTypeClass::Bytea:
            if (in.kind() != Kind::Binary && in.kind() != Kind::Text) return "not binary data";
            out.setBinary(in.bytes());
            return nullptr;
        case PgTypeClass::DateTime:
            if (in.kind() != Kind::DateTime && in.kind() != Kind::Text) return "not a date or time";
            out.setDateTime(in.bytes());
            return nullptr;
        case PgTypeClass::Uuid:
            if (in.kind() != Kind::Text) return "not a uuid";
            out.setText(in.bytes());
            return nullptr;
        case PgTypeClass::Text:
        case PgTypeClass::Other:
            return toText(in, out);
    }
    return nullptr;
}

}  // namespace db
