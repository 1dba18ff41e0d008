#include "Iconv.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "TextError.h"

namespace core {

Iconv::Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
        throw TextError(std::string("iconv_open(") + to + ", " + from +
                        "): " + std::strerror(errno));
    }
}

Iconv::~Iconv() noexcept {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
}

Iconv::Iconv(Iconv&& other) noexcept
    : cd_(std::exchange(other.cd_, reinterpret_cast<iconv_t>(-1))) {}

Iconv& Iconv::operator=(Iconv&& other) noexcept {
    if (this != &other) {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
        cd_ = std::exchange(other.cd_, reinterpret_cast<iconv_t>(-1));
    }
    return *this;
}

Iconv::Outcome Iconv::convert(std::string_view in, std::string& out, size_t& consumed) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    Outcome outcome = Outcome::Done;
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        outcome = errno == EINVAL ? Outcome::Incomplete : Outcome::Invalid;
        break;
    }
    consumed = in.size() - srcLeft;
    return outcome;
}

}  // namespace core
