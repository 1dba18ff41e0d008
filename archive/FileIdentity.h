#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace archive {

// What makes two names one file: the device and the inode. Two spellings of a
// path, a symbolic link and a hard link all give the same identity.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    bool operator==(const FileIdentity&) const = default;

    // Links followed; nullopt when the file does not exist or cannot be asked.
    static std::optional<FileIdentity> OfPath(const std::string& path);
    static std::optional<FileIdentity> OfDescriptor(int fd);
};

}  // namespace archive
