#include "TextFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "RunError.h"
#include "core/Cp936.h"

namespace engine {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void fail(const std::string& path, int error) {
    throw RunError(path + ": " + std::strerror(error));
}
}  // namespace

std::string readWholeFile(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) fail(path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, n);
        if (n < sizeof buffer) break;
    }
    if (std::ferror(file.get())) fail(path, errno ? errno : EIO);
    return bytes;
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) fail(path, errno);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
    int error = errno;
    if (std::fclose(raw) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) fail(path, error ? error : EIO);
}

namespace {

bool isUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

}  // namespace

std::string scriptText(std::string bytes) {
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF") && isUtf8(text.substr(3))) return bytes.substr(3);
    if (isUtf8(text)) return bytes;
    return core::fromCp936(bytes);
}

}  // namespace engine
