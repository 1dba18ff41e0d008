#include "tds-testserver/ValueEncoder.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tds-testserver/TdsError.h"

namespace tdsserver {
namespace {

using u128 = unsigned __int128;

[[noreturn]] void refuse(int number, const std::string& message) {
    throw SqlError(number, message);
}

void putLe(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::int64_t parseInteger(std::string_view text) {
    std::int64_t v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        refuse(245, "conversion failed for integer value '" + std::string(text) + "'");
    return v;
}

// A decimal text as sign and magnitude scaled to `scale` fractional digits.
// Digits beyond the scale must be zero: the value must stay exact.
bool parseScaled(std::string_view text, int scale, u128& magnitude) {
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    magnitude = 0;
    int fraction = -1;
    bool any = false;
    const u128 limit = u128(1) << 126;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && fraction < 0) {
            fraction = 0;
            continue;
        }
        if (c < '0' || c > '9')
            refuse(245, "conversion failed for numeric value '" + std::string(text) + "'");
        any = true;
        if (fraction >= 0 && fraction >= scale) {
            if (c != '0')
                refuse(8115, "numeric value " + std::string(text) + " has more than " +
                                 std::to_string(scale) + " decimal places");
            continue;
        }
        if (magnitude >= limit / 10)
            refuse(8115, "arithmetic overflow converting " + std::string(text) + " to decimal");
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (fraction >= 0) ++fraction;
    }
    if (!any) refuse(245, "conversion failed for numeric value '" + std::string(text) + "'");
    for (int f = std::max(fraction, 0); f < scale; ++f) magnitude *= 10;
    return negative && magnitude != 0;
}

u128 power10(int n) {
    u128 v = 1;
    while (n-- > 0) v *= 10;
    return v;
}

// Days since 1900-01-01 of a proleptic Gregorian date.
std::int64_t daysSince1900(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468 - (-25567);
}

struct Timestamp {
    std::int64_t days = 0;
    std::int64_t microseconds = 0;  // since midnight
};

// "YYYY-MM-DD[ HH:MM:SS[.ffffff]][+zz]" as PostgreSQL prints date and timestamp.
Timestamp parseTimestamp(std::string_view text) {
    auto bad = [&]() -> Timestamp {
        refuse(241, "conversion failed for date/time value '" + std::string(text) + "'");
    };
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        text.find("BC") != std::string_view::npos)
        return bad();
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            if (k >= text.size() || text[k] < '0' || text[k] > '9') bad();
            v = v * 10 + (text[k] - '0');
        }
        return v;
    };
    Timestamp ts;
    ts.days = daysSince1900(number(0, 4), number(5, 2), number(8, 2));
    if (text.size() >= 19 && text[10] == ' ') {
        ts.microseconds = ((number(11, 2) * 60LL + number(14, 2)) * 60 + number(17, 2)) * 1000000LL;
        if (text.size() > 20 && text[19] == '.') {
            std::int64_t scale = 100000;
            for (std::size_t k = 20;
                 k < text.size() && text[k] >= '0' && text[k] <= '9' && scale > 0; ++k) {
                ts.microseconds += (text[k] - '0') * scale;
                scale /= 10;
            }
        }
    }
    return ts;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decodeBytea(std::string_view text) {
    if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0)
        refuse(50000, "unexpected bytea text form");
    std::string bytes;
    bytes.reserve(text.size() / 2 - 1);
    for (std::size_t i = 2; i < text.size(); i += 2) {
        const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) refuse(50000, "unexpected bytea text form");
        bytes.push_back(static_cast<char>(hi << 4 | lo));
    }
    return bytes;
}

// Text, ntext and image values: a dummy text pointer and timestamp, then the data.
void putLong(std::string& out, std::string_view data) {
    out.push_back(16);
    out.append(16, '\x01');
    out.append(8, '\x00');
    putLe(out, data.size(), 4);
    out.append(data);
}

void putShort(std::string& out, std::string_view data, const ColumnPlan& column) {
    if (data.size() > column.maxLength)
        refuse(8152, "String or binary data would be truncated: column " + column.name +
                         " holds at most " + std::to_string(column.maxLength) + " bytes.");
    putLe(out, data.size(), 2);
    out.append(data);
}

}  // namespace

ValueEncoder::ValueEncoder()
    : cp936_("CP936", "UTF-8"), gb18030_("GB18030", "UTF-8"), utf16_("UTF-16LE", "UTF-8") {
    // glibc versions differ in which table holds the user-defined characters
    // A7 6E (U+E734) and AA BA (U+E019): what CP936 refuses is taken from
    // GB18030 when it comes out as a two-byte code; anything else becomes "?"
    // as on a server whose code page lacks the character.
    userDefined_ = [this](std::string_view character) {
        try {
            std::string bytes = gb18030_.convert(character);
            if (bytes.size() == 2) return bytes;
        } catch (const std::exception&) {
        }
        return std::string("?");
    };
}

namespace {

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

// Plain ASCII is the same in code page 936 and widens by a zero byte in UTF-16:
// most values are, and they skip iconv.
std::string ValueEncoder::toCp936(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    std::string out;
    cp936_.convertInto(utf8, out, &userDefined_);
    return out;
}
std::string ValueEncoder::toUtf16(std::string_view utf8) {
    if (isAscii(utf8)) {
        std::string out(utf8.size() * 2, '\0');
        for (std::size_t i = 0; i < utf8.size(); ++i) out[2 * i] = utf8[i];
        return out;
    }
    return utf16_.convert(utf8);
}

void ValueEncoder::appendNull(std::string& out, const ColumnPlan& column) const {
    switch (column.type) {
        case TdsType::BigVarChar:
        case TdsType::BigChar:
        case TdsType::NVarChar:
        case TdsType::NChar:
        case TdsType::BigVarBinary:
            out.append("\xFF\xFF", 2);
            break;
        default:
            out.push_back(0);
    }
}

void ValueEncoder::append(std::string& row, const ColumnPlan& column, std::string_view text) {
    std::string& out = value_;
    out.clear();
    switch (column.type) {
        case TdsType::IntN: {
            const std::int64_t v = parseInteger(text);
            const int bits = column.size * 8;
            if (column.size == 1 ? (v < 0 || v > 255)
                                 : bits < 64 && (v < -(std::int64_t(1) << (bits - 1)) ||
                                                 v >= (std::int64_t(1) << (bits - 1))))
                refuse(8115, "arithmetic overflow for value " + std::string(text));
            out.push_back(static_cast<char>(column.size));
            putLe(out, static_cast<std::uint64_t>(v), column.size);
            break;
        }
        case TdsType::BitN:
            out.push_back(1);
            out.push_back(text == "t" ? 1 : 0);
            break;
        case TdsType::FltN: {
            const std::string copy(text);
            const double v = std::strtod(copy.c_str(), nullptr);
            out.push_back(static_cast<char>(column.size));
            if (column.size == 4) {
                const float f = static_cast<float>(v);
                std::uint32_t bits;
                std::memcpy(&bits, &f, 4);
                putLe(out, bits, 4);
            } else {
                std::uint64_t bits;
                std::memcpy(&bits, &v, 8);
                putLe(out, bits, 8);
            }
            break;
        }
        case TdsType::DecimalN: {
            u128 magnitude;
            const bool negative = parseScaled(text, column.scale, magnitude);
            if (magnitude >= power10(column.precision))
                refuse(8115, "value " + std::string(text) + " does not fit decimal(" +
                                 std::to_string(column.precision) + "," +
                                 std::to_string(column.scale) + ")");
            out.push_back(static_cast<char>(column.size));
            out.push_back(negative ? 0 : 1);
            for (int i = 0; i < column.size - 1; ++i)
                out.push_back(static_cast<char>((magnitude >> (8 * i)) & 0xFF));
            break;
        }
        case TdsType::MoneyN: {
            u128 magnitude;
            const bool negative = parseScaled(text, 4, magnitude);
            const u128 limit = column.size == 4 ? (u128(1) << 31) : (u128(1) << 63);
            if (magnitude > limit || (magnitude == limit && !negative))
                refuse(8115, "value " + std::string(text) + " does not fit money");
            const std::int64_t v = negative ? -static_cast<std::int64_t>(magnitude - 1) - 1
                                            : static_cast<std::int64_t>(magnitude);
            out.push_back(static_cast<char>(column.size));
            if (column.size == 4) {
                putLe(out, static_cast<std::uint32_t>(v), 4);
            } else {
                // money goes out as its high dword first, then its low dword.
                putLe(out, static_cast<std::uint64_t>(v) >> 32, 4);
                putLe(out, static_cast<std::uint64_t>(v) & 0xFFFFFFFFu, 4);
            }
            break;
        }
        case TdsType::DateTimeN: {
            Timestamp ts = parseTimestamp(text);
            out.push_back(static_cast<char>(column.size));
            if (column.size == 8) {
                std::int64_t ticks = (ts.microseconds * 3 + 5000) / 10000;
                if (ticks >= 300LL * 86400) {
                    ticks = 0;
                    ++ts.days;
                }
                if (ts.days < -53690 || ts.days > 2958463)
                    refuse(242, "date/time value " + std::string(text) + " is out of range");
                putLe(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(ts.days)), 4);
                putLe(out, static_cast<std::uint64_t>(ticks), 4);
            } else {
                std::int64_t minutes = (ts.microseconds + 30000000) / 60000000;
                if (minutes >= 1440) {
                    minutes = 0;
                    ++ts.days;
                }
                if (ts.days < 0 || ts.days > 65535)
                    refuse(242, "date/time value " + std::string(text) +
                                    " is out of range for smalldatetime");
                putLe(out, static_cast<std::uint64_t>(ts.days), 2);
                putLe(out, static_cast<std::uint64_t>(minutes), 2);
            }
            break;
        }
        case TdsType::Guid: {
            std::string hex;
            for (char c : text)
                if (c != '-') hex.push_back(c);
            if (hex.size() != 32)
                refuse(8169, "conversion failed for uniqueidentifier '" + std::string(text) + "'");
            unsigned char b[16];
            for (int i = 0; i < 16; ++i)
                b[i] = static_cast<unsigned char>(hexDigit(hex[2 * i]) << 4 |
                                                  hexDigit(hex[2 * i + 1]));
            static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
            out.push_back(16);
            for (int i : order) out.push_back(static_cast<char>(b[i]));
            break;
        }
        case TdsType::BigVarChar:
        case TdsType::BigChar:
            putShort(out, toCp936(text), column);
            break;
        case TdsType::NVarChar:
        case TdsType::NChar:
            putShort(out, toUtf16(text), column);
            break;
        case TdsType::BigVarBinary:
            putShort(out, decodeBytea(text), column);
            break;
        case TdsType::Text:
            putLong(out, toCp936(text));
            break;
        case TdsType::NText:
            putLong(out, toUtf16(text));
            break;
        case TdsType::Image:
            putLong(out, decodeBytea(text));
            break;
    }
    row += out;
}

}  // namespace tdsserver
