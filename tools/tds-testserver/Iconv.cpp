#include "tds-testserver/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tdsserver {

Iconv::Iconv(const char* to, const char* from, char replacement)
    : cd_(iconv_open(to, from)), replacement_(replacement), to_(to), from_(from) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv_open ") + from + " to " + to + ": " +
                                 std::strerror(errno));
}

Iconv::Iconv(Iconv&& other) noexcept
    : cd_(other.cd_),
      replacement_(other.replacement_),
      to_(std::move(other.to_)),
      from_(std::move(other.from_)) {
    other.cd_ = reinterpret_cast<iconv_t>(-1);
}

Iconv::~Iconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
}

std::string Iconv::convert(std::string_view in) {
    std::string out;
    convertInto(in, out);
    return out;
}

void Iconv::convertInto(std::string_view in, std::string& out, const Fallback* fallback) {
    out.clear();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + used;
        std::size_t dstLeft = out.size() - used;
        std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if ((errno == EILSEQ || errno == EINVAL) && (replacement_ != 0 || fallback)) {
            // Take one whole UTF-8 character of the input out of the conversion.
            std::size_t skip = 1;
            while (skip < srcLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
            const std::string instead =
                fallback ? (*fallback)(std::string_view(src, skip)) : std::string(1, replacement_);
            src += skip;
            srcLeft -= skip;
            out.resize(std::max(out.size(), used + instead.size() + srcLeft * 2 + 16));
            out.replace(used, instead.size(), instead);
            used += instead.size();
        } else {
            throw std::runtime_error("text cannot be converted from " + from_ + " to " + to_);
        }
    }
    out.resize(used);
}

}  // namespace tdsserver
