#include "CopyText.h"

#include <cctype>

#include "ValueText.h"

namespace db {

namespace {

void appendEscaped(std::string_view text, std::string& out) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        switch (text[i]) {
            case '\\':
                escape = "\\\\";
                break;
            case '\t':
                escape = "\\t";
                break;
            case '\n':
                escape = "\\n";
                break;
            case '\r':
                escape = "\\r";
                break;
            default:
                continue;
        }
        out.append(text.data() + start, i - start);
        out.append(escape, 2);
        start = i + 1;
    }
    out.append(text.data() + start, text.size() - start);
}

void appendInteger(int64_t v, std::string& out) {
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* p = end;
    uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (v < 0) *--p = '-';
    out.append(p, end);
}

// The two text forms differ only in NULL, bytea's prefix and escaping: COPY's
// text format escapes backslashes and separators, a bound parameter takes the
// value as it stands.
enum class TextForm { CopyField, Parameter };

void appendValueText(const Value& value, std::string& out, TextForm form) {
    const bool copy = form == TextForm::CopyField;
    switch (value.kind()) {
        case Value::Kind::Null:
            if (copy) out += "\\N";
            return;
        case Value::Kind::Bool:
            out += value.boolValue() ? 't' : 'f';
            return;
        case Value::Kind::Int:
            appendInteger(value.intValue(), out);
            return;
        case Value::Kind::Float:
            appendFloatText(value.floatValue(), out);
            return;
        case Value::Kind::Binary:
            // bytea's hex input "\x...", its backslash escaped for COPY.
            out += copy ? "\\\\x" : "\\x";
            appendHex(value.bytes(), out);
            return;
        case Value::Kind::Decimal:
        case Value::Kind::DateTime:
        case Value::Kind::Text:
            if (copy) {
                appendEscaped(value.bytes(), out);
            } else {
                out += value.bytes();
            }
            return;
    }
}

}  // namespace

void appendCopyField(const Value& value, std::string& out) {
    appendValueText(value, out, TextForm::CopyField);
}

void appendParameterText(const Value& value, std::string& out) {
    appendValueText(value, out, TextForm::Parameter);
}

std::string_view nextCopyField(std::string_view& row, std::string& field, bool& isNull) {
    size_t end = row.find('\t');
    std::string_view text = row.substr(0, end);
    row.remove_prefix(end == std::string_view::npos ? row.size() : end + 1);
    isNull = text == "\\N";
    if (isNull || text.find('\\') == std::string_view::npos) return text;
    field.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            field += c;
            continue;
        }
        c = text[++i];
        switch (c) {
            case 'b':
                field += '\b';
                break;
            case 'f':
                field += '\f';
                break;
            case 'n':
                field += '\n';
                break;
            case 'r':
                field += '\r';
                break;
            case 't':
                field += '\t';
                break;
            case 'v':
                field += '\v';
                break;
            case 'x': {
                int value = 0, digits = 0;
                while (digits < 2 && i + 1 < text.size() &&
                       std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
                    char h = text[++i];
                    value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                    ++digits;
                }
                field += static_cast<char>(value);
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    int value = c - '0', digits = 1;
                    while (digits < 3 && i + 1 < text.size() && text[i + 1] >= '0' &&
                           text[i + 1] <= '7') {
                        value = value * 8 + (text[++i] - '0');
                        ++digits;
                    }
                    field += static_cast<char>(value);
                } else {
                    field += c;
                }
        }
    }
    return field;
}

}  // namespace db
