#include "archive/FileIdentity.h"

#include <sys/stat.h>

namespace archive {

namespace {

FileIdentity identity(const struct stat& info) { return {info.st_dev, info.st_ino}; }

}  // namespace

std::optional<FileIdentity> FileIdentity::OfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return identity(info);
}

std::optional<FileIdentity> FileIdentity::OfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return identity(info);
}

}  // namespace archive
