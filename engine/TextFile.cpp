#include "TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "RunError.h"

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

}  // namespace engine
