#pragma once
#include <iconv.h>

#include <functional>
#include <string>
#include <string_view>

namespace tdsserver {

// One iconv conversion descriptor. Not thread-safe: each session owns its own.
class Iconv {
public:
    // With a replacement byte, input the target cannot hold becomes that byte
    // (as a server does for characters outside a code page); without, it throws.
    Iconv(const char* to, const char* from, char replacement = 0);
    Iconv(Iconv&& other) noexcept;
    Iconv& operator=(Iconv&&) = delete;
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    ~Iconv();

    // Called with one UTF-8 character the target refuses; returns its bytes.
    using Fallback = std::function<std::string(std::string_view character)>;

    std::string convert(std::string_view in);
    // fallback, when set, replaces the replacement byte (input must be UTF-8).
    void convertInto(std::string_view in, std::string& out, const Fallback* fallback = nullptr);

private:
    iconv_t cd_;
    char replacement_;
    std::string to_;
    std::string from_;
};

}  // namespace tdsserver
