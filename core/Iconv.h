#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace core {

// Owns one iconv descriptor. Not shared between threads.
class Iconv {
public:
    Iconv(const char* to, const char* from);
    ~Iconv() noexcept;
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    Iconv(Iconv&& other) noexcept;
    Iconv& operator=(Iconv&& other) noexcept;

    enum class Outcome { Done, Invalid, Incomplete };

    // Converts as much of `in` as it can, appending to `out`; `consumed` tells how
    // many bytes of `in` were used. Stops at the first byte it cannot convert.
    Outcome convert(std::string_view in, std::string& out, size_t& consumed);

private:
    iconv_t cd_;
};

}  // namespace core
