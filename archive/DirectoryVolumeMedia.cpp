#include "archive/DirectoryVolumeMedia.h"

#include <sys/statvfs.h>

namespace archive {

std::int64_t DirectoryVolumeMedia::FreeSpace(TFloppyDriver) {
    struct statvfs info {};
    if (::statvfs(directory_.c_str(), &info) != 0) return 0;
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

}  // namespace archive
