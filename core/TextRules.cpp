#include "TextRules.h"

#include <algorithm>

#include "Cp936.h"

namespace core {

namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int compareRaw(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
}  // namespace

std::string trimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return std::string(text.substr(begin, end - begin));
}

std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

int compareBytes(std::string_view a, std::string_view b) {
    // Texts with no code page 936 form fall back to their UTF-8 bytes.
    try {
        return compareRaw(toCp936(a), toCp936(b));
    } catch (...) {
        return compareRaw(a, b);
    }
}

bool lessIgnoreCase(std::string_view a, std::string_view b) {
    std::string la = toLowerAscii(a);
    std::string lb = toLowerAscii(b);
    int c = compareBytes(la, lb);
    if (c != 0) return c < 0;
    return compareBytes(a, b) < 0;
}

std::string replaceAllIgnoreCase(std::string_view text, std::string_view from,
                                 std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (i + from.size() <= text.size() &&
            equalsIgnoreCaseAscii(text.substr(i, from.size()), from)) {
            out += to;
            i += from.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace core
