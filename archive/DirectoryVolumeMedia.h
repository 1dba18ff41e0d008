#pragma once

#include "archive/VolumeMedia.h"

namespace archive {

// Both drives are one directory; its free space is what statvfs reports for it
// (0 when it cannot be asked, as for a missing disk).
class DirectoryVolumeMedia final : public VolumeMedia {
public:
    explicit DirectoryVolumeMedia(std::string directory) : directory_(std::move(directory)) {}

    std::int64_t FreeSpace(TFloppyDriver drive) override;
    std::string Directory(TFloppyDriver) override { return directory_; }

private:
    std::string directory_;
};

}  // namespace archive
