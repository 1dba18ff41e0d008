#include "ValueText.h"

#include <strings.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace db {

namespace {

std::string_view trimBlanks(std::string_view s) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

void appendFloatText(double v, std::string& out) {
    if (std::isnan(v)) {
        out += "NaN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-Infinity" : "Infinity";
        return;
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

std::optional<int64_t> parseIntegerText(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.front() == '+') return std::nullopt;
    int64_t v = 0;
    auto result = std::from_chars(s.data(), s.data() + s.size(), v);
    if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<double> parseFloatText(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (s.empty()) return std::nullopt;
    std::string_view body = s;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    auto is = [&](const char* word) {
        return body.size() == strlen(word) && strncasecmp(body.data(), word, body.size()) == 0;
    };
    if (is("nan")) return std::nan("");
    if (is("infinity") || is("inf")) return negative ? -HUGE_VAL : HUGE_VAL;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0;
    auto result = std::from_chars(s.data(), s.data() + s.size(), v);
    if (result.ec != std::errc() || result.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

void appendHex(std::string_view bytes, std::string& out) {
    static const char digits[] = "0123456789abcdef";
    size_t at = out.size();
    out.resize(at + bytes.size() * 2);
    for (unsigned char c : bytes) {
        out[at++] = digits[c >> 4];
        out[at++] = digits[c & 15];
    }
}

}  // namespace db
