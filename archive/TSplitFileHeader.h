#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace archive {

// The 43-byte header at the start of every volume of a split archive: the
// identification as a short string, the volume number (0 first) and a flag
// that is 1 on the last volume.
struct TSplitFileHeader {
    static constexpr std::size_t kSize = 43;
    static constexpr std::string_view kIdentification = "{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}";

    std::uint8_t volumeNumber = 0;
    bool lastVolume = false;

    std::array<std::uint8_t, kSize> Encode() const;
    static TSplitFileHeader Decode(const std::array<std::uint8_t, kSize>& bytes);
    // Whether the first 41 bytes at `start` are the identification.
    static bool HasIdentification(const std::uint8_t* start, std::size_t available);
};

// The file name of volume k of a split archive whose volume 0 is `name`: the name
// itself for k = 0, else the name with its extension replaced by ".qx" + k.
std::string VolumeFileName(const std::string& name, int k);

}  // namespace archive
