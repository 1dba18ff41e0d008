#include "tds-testserver/RpcRequest.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tds-testserver/Iconv.h"
#include "tds-testserver/TdsError.h"

namespace tdsserver {
namespace {

using u128 = unsigned __int128;

// Bounds-checked little-endian reads over the payload.
class Cursor {
public:
    explicit Cursor(std::string_view data) : data_(data) {}
    bool atEnd() const { return at_ >= data_.size(); }
    std::uint8_t peek() const {
        need(1);
        return static_cast<std::uint8_t>(data_[at_]);
    }
    std::uint64_t le(int bytes) {
        need(static_cast<std::size_t>(bytes));
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint64_t(static_cast<unsigned char>(data_[at_ + i])) << (8 * i);
        at_ += static_cast<std::size_t>(bytes);
        return v;
    }
    std::string_view take(std::size_t n) {
        need(n);
        std::string_view out = data_.substr(at_, n);
        at_ += n;
        return out;
    }

private:
    void need(std::size_t n) const {
        if (at_ + n > data_.size()) throw ProtocolError("RPC request ends inside a parameter");
    }
    std::string_view data_;
    std::size_t at_ = 0;
};

std::string utf16ToUtf8(std::string_view utf16) {
    if (utf16.size() % 2 != 0) throw ProtocolError("odd UTF-16 length in an RPC request");
    static thread_local Iconv convert("UTF-8", "UTF-16LE");
    return convert.convert(utf16);
}

std::string cp936ToUtf8(std::string_view bytes) {
    static thread_local Iconv convert("UTF-8", "CP936");
    return convert.convert(bytes);
}

std::string hexBytea(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\\x";
    for (char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::string signedText(std::uint64_t raw, int bytes) {
    if (bytes == 1) return std::to_string(raw);  // tinyint is unsigned
    const int shift = 64 - 8 * bytes;
    return std::to_string(static_cast<std::int64_t>(raw << shift) >> shift);
}

std::string doubleText(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string scaledText(u128 magnitude, bool negative, int scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude > 0);
    if (scale > 0) {
        if (static_cast<int>(digits.size()) <= scale)
            digits.insert(0, static_cast<std::size_t>(scale + 1) - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
    }
    return (negative ? "-" : "") + digits;
}

std::string moneyText(std::int64_t v) {
    const bool negative = v < 0;
    const u128 magnitude = negative ? u128(-(v + 1)) + 1 : u128(v);
    return scaledText(magnitude, negative, 4);
}

// Date from days since 1900-01-01 (civil-from-days).
std::string dateText(std::int64_t days1900) {
    std::int64_t z = days1900 - 25567 + 719468;  // to days since 1970, then shifted era base
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(y + (m <= 2)), m,
                  d);
    return text;
}

std::string timeText(std::uint64_t units, int scale) {
    // units of 10^-scale seconds since midnight
    std::uint64_t divisor = 1;
    for (int i = 0; i < scale; ++i) divisor *= 10;
    const std::uint64_t seconds = units / divisor, fraction = units % divisor;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    std::string out = text;
    if (scale > 0) {
        std::string f = std::to_string(fraction);
        out += "." + std::string(static_cast<std::size_t>(scale) - f.size(), '0') + f;
    }
    return out;
}

// The value of a partially length-prefixed (PLP) parameter: nothing for NULL.
std::optional<std::string> readPlp(Cursor& in) {
    const std::uint64_t total = in.le(8);
    if (total == ~std::uint64_t(0)) return std::nullopt;
    std::string value;
    for (;;) {
        const std::uint32_t chunk = static_cast<std::uint32_t>(in.le(4));
        if (chunk == 0) break;
        value.append(in.take(chunk));
    }
    return value;
}

[[noreturn]] void unsupported(std::uint8_t type) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", type);
    throw SqlError(8016, std::string("The incoming tabular data stream (TDS) remote procedure call "
                                     "(RPC) protocol stream is incorrect. Parameter type ") +
                             hex + " is not supported by this server.");
}

RpcParameter readParameter(Cursor& in) {
    RpcParameter p;
    const std::size_t nameChars = in.le(1);
    p.name = utf16ToUtf8(in.take(nameChars * 2));
    const std::uint8_t status = static_cast<std::uint8_t>(in.le(1));
    p.output = status & 0x01;
    const std::uint8_t type = static_cast<std::uint8_t>(in.le(1));
    auto fixed = [&](int bytes, const char* pgType) {
        p.pgType = pgType;
        return in.le(bytes);
    };
    switch (type) {
        case 0x30:  // tinyint
            p.value = std::to_string(fixed(1, "smallint"));
            break;
        case 0x32:  // bit
            p.value = fixed(1, "boolean") ? "true" : "false";
            break;
        case 0x34:
            p.value = signedText(fixed(2, "smallint"), 2);
            break;
        case 0x38:
            p.value = signedText(fixed(4, "int"), 4);
            break;
        case 0x7F:
            p.value = signedText(fixed(8, "bigint"), 8);
            break;
        case 0x3B: {
            const std::uint32_t bits = static_cast<std::uint32_t>(fixed(4, "real"));
            float f;
            std::memcpy(&f, &bits, 4);
            p.value = doubleText(f);
            break;
        }
        case 0x3E: {
            const std::uint64_t bits = fixed(8, "double precision");
            double d;
            std::memcpy(&d, &bits, 8);
            p.value = doubleText(d);
            break;
        }
        case 0x26: {  // INTN
            const int size = static_cast<int>(in.le(1));
            p.pgType = size == 8 ? "bigint" : size == 4 ? "int" : "smallint";
            const int len = static_cast<int>(in.le(1));
            if (len > 8) throw ProtocolError("INTN parameter longer than 8 bytes");
            if (len) p.value = signedText(in.le(len), len);
            break;
        }
        case 0x68: {  // BITN
            in.le(1);
            p.pgType = "boolean";
            if (in.le(1)) p.value = in.le(1) ? "true" : "false";
            break;
        }
        case 0x6D: {  // FLTN
            const int size = static_cast<int>(in.le(1));
            p.pgType = size == 4 ? "real" : "double precision";
            const int len = static_cast<int>(in.le(1));
            if (len == 4) {
                const std::uint32_t bits = static_cast<std::uint32_t>(in.le(4));
                float f;
                std::memcpy(&f, &bits, 4);
                p.value = doubleText(f);
            } else if (len == 8) {
                const std::uint64_t bits = in.le(8);
                double d;
                std::memcpy(&d, &bits, 8);
                p.value = doubleText(d);
            } else if (len != 0) {
                throw ProtocolError("FLTN parameter of " + std::to_string(len) + " bytes");
            }
            break;
        }
        case 0x6A:
        case 0x6C: {  // DECIMALN, NUMERICN
            in.le(1);
            const int precision = static_cast<int>(in.le(1));
            const int scale = static_cast<int>(in.le(1));
            p.pgType = "numeric(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
            const int len = static_cast<int>(in.le(1));
            if (len > 17) throw ProtocolError("DECIMALN parameter longer than 17 bytes");
            if (len) {
                const bool positive = in.le(1) == 1;
                u128 magnitude = 0;
                const std::string_view bytes = in.take(static_cast<std::size_t>(len - 1));
                for (std::size_t i = bytes.size(); i-- > 0;)
                    magnitude = magnitude << 8 | static_cast<unsigned char>(bytes[i]);
                p.value = scaledText(magnitude, !positive && magnitude != 0, scale);
            }
            break;
        }
        case 0x3C:
        case 0x7A:
        case 0x6E: {  // MONEY, SMALLMONEY, MONEYN
            int len = type == 0x3C ? 8 : 4;
            if (type == 0x6E) {
                in.le(1);
                len = static_cast<int>(in.le(1));
            }
            p.pgType = "numeric(19,4)";
            if (len == 8) {
                const std::uint64_t high = in.le(4), low = in.le(4);
                p.value = moneyText(static_cast<std::int64_t>(high << 32 | low));
            } else if (len == 4) {
                p.value = moneyText(static_cast<std::int32_t>(in.le(4)));
            } else if (len != 0) {
                throw ProtocolError("money parameter of " + std::to_string(len) + " bytes");
            }
            break;
        }
        case 0x3A:
        case 0x3D:
        case 0x6F: {  // SMALLDATETIME, DATETIME, DATETIMN
            int len = type == 0x3D ? 8 : 4;
            if (type == 0x6F) {
                in.le(1);
                len = static_cast<int>(in.le(1));
            }
            p.pgType = "timestamp(3)";
            if (len == 8) {
                const std::int32_t days = static_cast<std::int32_t>(in.le(4));
                const std::uint64_t ticks = in.le(4);
                // 1/300 s ticks to milliseconds, as the server rounds them.
                const std::uint64_t ms = (ticks * 10 + 1) / 3;
                p.value = dateText(days) + " " + timeText(ms, 3);
            } else if (len == 4) {
                const std::uint64_t days = in.le(2), minutes = in.le(2);
                p.value =
                    dateText(static_cast<std::int64_t>(days)) + " " + timeText(minutes * 60, 0);
            } else if (len != 0) {
                throw ProtocolError("datetime parameter of " + std::to_string(len) + " bytes");
            }
            break;
        }
        case 0x28: {  // DATEN: days since 0001-01-01
            p.pgType = "date";
            const int len = static_cast<int>(in.le(1));
            if (len == 3) p.value = dateText(static_cast<std::int64_t>(in.le(3)) - 693595);
            break;
        }
        case 0x29:
        case 0x2A:
        case 0x2B: {  // TIMEN, DATETIME2N, DATETIMEOFFSETN
            const int scale = static_cast<int>(in.le(1));
            if (scale > 7) throw ProtocolError("time scale above 7");
            const int timeBytes = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
            p.pgType = type == 0x29 ? "time" : type == 0x2A ? "timestamp" : "timestamptz";
            const int len = static_cast<int>(in.le(1));
            if (len == 0) break;
            const std::uint64_t units = in.le(timeBytes);
            if (type == 0x29) {
                p.value = timeText(units, scale);
                break;
            }
            const std::int64_t days = static_cast<std::int64_t>(in.le(3)) - 693595;
            if (type == 0x2A) {
                p.value = dateText(days) + " " + timeText(units, scale);
            } else {
                // Stored in UTC, with the offset in minutes beside it.
                const std::int16_t offset = static_cast<std::int16_t>(in.le(2));
                (void)offset;
                p.value = dateText(days) + " " + timeText(units, scale) + "+00";
            }
            break;
        }
        case 0x24: {  // GUID
            in.le(1);
            p.pgType = "uuid";
            const int len = static_cast<int>(in.le(1));
            if (len == 16) {
                const std::string_view b = in.take(16);
                static constexpr int order[16] = {3, 2, 1,  0,  5,  4,  7,  6,
                                                  8, 9, 10, 11, 12, 13, 14, 15};
                std::string bytes;
                for (int i : order) bytes += b[static_cast<std::size_t>(i)];
                const std::string hex = hexBytea(bytes).substr(2);
                p.value = hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) +
                          "-" + hex.substr(16, 4) + "-" + hex.substr(20);
            } else if (len != 0) {
                throw ProtocolError("GUID parameter of " + std::to_string(len) + " bytes");
            }
            break;
        }
        case 0xA7:
        case 0xAF:
        case 0xE7:
        case 0xEF:
        case 0xA5:
        case 0xAD: {  // (N)VARCHAR, (N)CHAR, VARBINARY, BINARY
            const bool binary = type == 0xA5 || type == 0xAD;
            const bool unicode = type == 0xE7 || type == 0xEF;
            const std::uint16_t maxLength = static_cast<std::uint16_t>(in.le(2));
            if (!binary) in.take(5);  // collation
            std::optional<std::string> raw;
            if (maxLength == 0xFFFF) {
                raw = readPlp(in);
            } else {
                const std::uint16_t len = static_cast<std::uint16_t>(in.le(2));
                if (len != 0xFFFF) raw = std::string(in.take(len));
            }
            p.pgType = binary ? "bytea" : "varchar";
            if (raw)
                p.value = binary ? hexBytea(*raw) : unicode ? utf16ToUtf8(*raw) : cp936ToUtf8(*raw);
            break;
        }
        case 0x23:
        case 0x63:
        case 0x22: {  // TEXT, NTEXT, IMAGE
            in.le(4);
            if (type != 0x22) in.take(5);
            const std::uint32_t len = static_cast<std::uint32_t>(in.le(4));
            p.pgType = type == 0x22 ? "bytea" : "text";
            if (len != 0xFFFFFFFFu) {
                const std::string_view raw = in.take(len);
                p.value = type == 0x22   ? hexBytea(raw)
                          : type == 0x63 ? utf16ToUtf8(raw)
                                         : cp936ToUtf8(raw);
            }
            break;
        }
        default:
            unsupported(type);
    }
    return p;
}

const char* numberedProcedure(std::uint16_t id) {
    static const char* const names[] = {"",
                                        "sp_cursor",
                                        "sp_cursoropen",
                                        "sp_cursorprepare",
                                        "sp_cursorexecute",
                                        "sp_cursorprepexec",
                                        "sp_cursorunprepare",
                                        "sp_cursorfetch",
                                        "sp_cursoroption",
                                        "sp_cursorclose",
                                        "sp_executesql",
                                        "sp_prepare",
                                        "sp_execute",
                                        "sp_prepexec",
                                        "sp_prepexecrpc",
                                        "sp_unprepare"};
    return id < sizeof names / sizeof names[0] ? names[id] : "";
}

}  // namespace

std::string RpcParameter::literal() const {
    // Text stays an untyped literal: PostgreSQL then reads it as whatever the
    // context wants, as SQL Server converts a string parameter implicitly.
    const bool text = pgType == "varchar" || pgType == "text";
    if (!value) return text ? "null" : "cast(null as " + pgType + ")";
    std::string quoted = "'";
    for (char c : *value) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    quoted += '\'';
    return text ? quoted : "cast(" + quoted + " as " + pgType + ")";
}

namespace {

std::string lowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool nameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' ||
           c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

std::string bindParameters(const std::string& statement, const std::string& declaration,
                           const std::vector<RpcParameter>& parameters) {
    std::vector<std::string> declared;
    for (std::size_t i = 0; i < declaration.size(); ++i) {
        if (declaration[i] != '@' || (i > 0 && nameChar(declaration[i - 1]))) continue;
        std::size_t e = i + 1;
        while (e < declaration.size() && nameChar(declaration[e])) ++e;
        declared.push_back(lowerAscii(declaration.substr(i, e - i)));
        i = e;
    }
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const RpcParameter& p = parameters[i];
        if (p.output)
            throw SqlError(8178,
                           "Output parameter '" + p.name + "' is not supported by this server.");
        std::string name = lowerAscii(p.name);
        if (name.empty() && i < declared.size()) name = declared[i];
        values.emplace_back(name, p.literal());
    }
    for (const std::string& name : declared) {
        bool given = false;
        for (const auto& v : values) given = given || v.first == name;
        if (!given)
            throw SqlError(8178, "The parameterized query '(" + declaration + ")" + statement +
                                     "' expects the parameter '" + name +
                                     "', which was not supplied.");
    }

    std::string out;
    for (std::size_t i = 0; i < statement.size();) {
        const char c = statement[i];
        // Literals, quoted names and comments are copied as they are.
        std::size_t end = i;
        if (c == '\'' || c == '"' || c == '[') {
            const char close = c == '[' ? ']' : c;
            end = statement.find(close, i + 1);
            while (end != std::string::npos && end + 1 < statement.size() &&
                   statement[end + 1] == close)
                end = statement.find(close, end + 2);
            end = end == std::string::npos ? statement.size() : end + 1;
        } else if (statement.compare(i, 2, "--") == 0) {
            end = statement.find('\n', i);
            end = end == std::string::npos ? statement.size() : end;
        } else if (statement.compare(i, 2, "/*") == 0) {
            end = statement.find("*/", i + 2);
            end = end == std::string::npos ? statement.size() : end + 2;
        } else if (c == '@' && (i == 0 || !nameChar(statement[i - 1])) &&
                   statement.compare(i, 2, "@@") != 0) {
            std::size_t e = i + 1;
            while (e < statement.size() && nameChar(statement[e])) ++e;
            const std::string name = lowerAscii(statement.substr(i, e - i));
            for (const auto& v : values) {
                if (v.first == name) {
                    out += v.second;
                    i = e;
                    break;
                }
            }
            if (i == e) continue;
            end = e;
        } else if (nameChar(c)) {
            end = i;
            while (end < statement.size() && nameChar(statement[end])) ++end;
        }
        if (end == i) end = i + 1;
        out.append(statement, i, end - i);
        i = end;
    }
    return out;
}

std::vector<RpcCall> parseRpcRequest(std::string_view payload) {
    Cursor in(payload);
    std::vector<RpcCall> calls;
    while (!in.atEnd()) {
        RpcCall call;
        const std::uint16_t nameLength = static_cast<std::uint16_t>(in.le(2));
        if (nameLength == 0xFFFF) {
            const std::uint16_t id = static_cast<std::uint16_t>(in.le(2));
            call.procedure = numberedProcedure(id);
            if (call.procedure.empty()) call.procedure = "procedure #" + std::to_string(id);
        } else {
            call.procedure = utf16ToUtf8(in.take(std::size_t(nameLength) * 2));
        }
        in.le(2);  // option flags
        while (!in.atEnd()) {
            const std::uint8_t next = in.peek();
            if (next == 0x80 || next == 0xFF || next == 0xFE) {  // the next call follows
                in.le(1);
                break;
            }
            call.parameters.push_back(readParameter(in));
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

}  // namespace tdsserver
