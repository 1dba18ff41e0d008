#pragma once

#include <cstdint>
#include <string>

#include "archive/QXZipTypes.h"

namespace archive {

// The removable disks that split archives are written to. A drive is a
// directory here; what is "in" it changes when the operator answers a disk
// prompt. Called on the thread that runs the archive operation.
class VolumeMedia {
public:
    virtual ~VolumeMedia() = default;
    // Free bytes on the disk in the drive; 0 when no disk is there.
    virtual std::int64_t FreeSpace(TFloppyDriver drive) = 0;
    // The directory the drive's disk is reached through.
    virtual std::string Directory(TFloppyDriver drive) = 0;
};

}  // namespace archive
