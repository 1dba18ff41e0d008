#include "DecimalText.h"

#include <limits>

namespace db {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<DecimalText> DecimalText::parse(std::string_view text) {
    std::string_view s = trimBlanks(text);
    DecimalText d;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
    std::string digits;  // all mantissa digits, point removed
    long pointPos = -1;
    size_t mantissaDigits = 0;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            digits += s[i];
            ++mantissaDigits;
        } else if (s[i] == '.' && pointPos < 0) {
            pointPos = static_cast<long>(digits.size());
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (pointPos < 0) pointPos = static_cast<long>(digits.size());
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i >= s.size() || !isDigit(s[i])) return std::nullopt;
        long exponent = 0;
        for (; i < s.size() && isDigit(s[i]); ++i) {
            exponent = exponent * 10 + (s[i] - '0');
            if (exponent > 100000) return std::nullopt;
        }
        pointPos += expNegative ? -exponent : exponent;
    }
    if (i != s.size()) return std::nullopt;

    // Shift the digits so that the point falls inside them.
    if (pointPos < 0) {
        digits.insert(0, static_cast<size_t>(-pointPos), '0');
        pointPos = 0;
    } else if (pointPos > static_cast<long>(digits.size())) {
        digits.append(static_cast<size_t>(pointPos) - digits.size(), '0');
    }
    d.integerDigits = digits.substr(0, static_cast<size_t>(pointPos));
    d.fractionDigits = digits.substr(static_cast<size_t>(pointPos));
    size_t firstNonZero = d.integerDigits.find_first_not_of('0');
    d.integerDigits.erase(
        0, firstNonZero == std::string::npos ? d.integerDigits.size() : firstNonZero);
    size_t lastNonZero = d.fractionDigits.find_last_not_of('0');
    d.fractionDigits.erase(lastNonZero == std::string::npos ? 0 : lastNonZero + 1);
    if (d.isZero()) d.negative = false;
    return d;
}

std::string DecimalText::normalized() const {
    std::string out;
    if (negative) out += '-';
    out += integerDigits.empty() ? std::string("0") : integerDigits;
    if (!fractionDigits.empty()) {
        out += '.';
        out += fractionDigits;
    }
    return out;
}

std::optional<int64_t> DecimalText::roundToInteger() const {
    if (integerDigits.size() > 19) return std::nullopt;
    // Accumulate as a negative number: its range holds the most negative int64.
    int64_t value = 0;
    constexpr int64_t lowest = std::numeric_limits<int64_t>::min();
    auto addDigit = [&](int digit) {
        if (value < (lowest + digit) / 10) return false;
        value = value * 10 - digit;
        return true;
    };
    for (char c : integerDigits) {
        if (!addDigit(c - '0')) return std::nullopt;
    }
    if (!fractionDigits.empty() && fractionDigits[0] >= '5') {
        if (value == lowest) return std::nullopt;
        --value;
    }
    if (negative) return value;
    if (value == lowest) return std::nullopt;
    return -value;
}

}  // namespace db
