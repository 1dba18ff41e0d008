#pragma once

#include "archive/VolumeMedia.h"

namespace archive {

// A directory that offers a fresh disk of a fixed size for every volume: the
// way to cut an archive into volumes of a chosen size on a hard disk.
class FixedVolumeMedia final : public VolumeMedia {
public:
    FixedVolumeMedia(std::string directory, std::int64_t diskSize)
        : directory_(std::move(directory)), diskSize_(diskSize) {}

    std::int64_t FreeSpace(TFloppyDriver) override { return diskSize_; }
    std::string Directory(TFloppyDriver) override { return directory_; }

private:
    std::string directory_;
    std::int64_t diskSize_;
};

}  // namespace archive
