#include "Cp936.h"

#include "Iconv.h"
#include "TextError.h"

namespace core {

namespace {

bool isAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

// Descriptors are per thread: iconv state must not be shared, and opening one per
// call would cost more than most conversions.
Iconv& encoder() {
    thread_local Iconv cd("CP936", "UTF-8");
    return cd;
}
Iconv& decoder() {
    thread_local Iconv cd("UTF-8", "CP936");
    return cd;
}
Iconv& gb18030Decoder() {
    thread_local Iconv cd("UTF-8", "GB18030");
    return cd;
}

Iconv& gb18030Encoder() {
    thread_local Iconv cd("GB18030", "UTF-8");
    return cd;
}

// Decodes a sequence the CP936 table refuses through GB18030: the user-defined
// characters (which some glibc versions leave out of CP936) and four-byte sequences.
// Returns the bytes used, 0 when GB18030 does not know the sequence either.
size_t decodeFallback(std::string_view rest, std::string& out) {
    auto lead = static_cast<unsigned char>(rest[0]);
    if (lead < 0x81 || lead > 0xFE || rest.size() < 2) return 0;
    auto second = static_cast<unsigned char>(rest[1]);
    size_t length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
    if (rest.size() < length) return 0;
    std::string piece;
    size_t used = 0;
    if (gb18030Decoder().convert(rest.substr(0, length), piece, used) != Iconv::Outcome::Done ||
        used != length)
        return 0;
    out += piece;
    return length;
}

size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 6) return 2;
    if ((lead >> 4) == 14) return 3;
    if ((lead >> 3) == 30) return 4;
    return 1;
}

// Encodes one character the CP936 table refuses through GB18030, accepting only a
// two-byte result: a four-byte sequence would not be code page 936.
size_t encodeFallback(std::string_view rest, std::string& out) {
    size_t length = utf8Length(static_cast<unsigned char>(rest[0]));
    if (rest.size() < length) return 0;
    std::string piece;
    size_t used = 0;
    if (gb18030Encoder().convert(rest.substr(0, length), piece, used) != Iconv::Outcome::Done ||
        used != length || piece.size() != 2)
        return 0;
    out += piece;
    return length;
}

std::string decode(std::string_view bytes, bool lossy) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    while (!bytes.empty()) {
        size_t used = 0;
        auto outcome = decoder().convert(bytes, out, used);
        bytes.remove_prefix(used);
        if (outcome == Iconv::Outcome::Done) break;
        if (size_t used2 = decodeFallback(bytes, out)) {
            bytes.remove_prefix(used2);
            continue;
        }
        if (!lossy) {
            throw TextError(
                "invalid code page 936 byte 0x" +
                std::string(1, "0123456789ABCDEF"[static_cast<unsigned char>(bytes[0]) >> 4]) +
                std::string(1, "0123456789ABCDEF"[static_cast<unsigned char>(bytes[0]) & 15]));
        }
        out += "\xEF\xBF\xBD";
        bytes.remove_prefix(1);
    }
    return out;
}

}  // namespace

std::string toCp936(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::string_view rest = utf8;
    while (!rest.empty()) {
        size_t used = 0;
        auto outcome = encoder().convert(rest, out, used);
        rest.remove_prefix(used);
        if (outcome == Iconv::Outcome::Done) break;
        size_t taken = encodeFallback(rest, out);
        if (taken == 0) throw TextError("text has no code page 936 form: " + std::string(utf8));
        rest.remove_prefix(taken);
    }
    return out;
}

std::string fromCp936(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    return decode(bytes, false);
}

std::string fromCp936Lossy(std::string_view bytes) {
    if (isAscii(bytes)) return std::string(bytes);
    return decode(bytes, true);
}

}  // namespace core
