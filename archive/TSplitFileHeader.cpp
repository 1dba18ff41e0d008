#include "archive/TSplitFileHeader.h"

#include <algorithm>
#include <cstring>

namespace archive {

std::array<std::uint8_t, TSplitFileHeader::kSize> TSplitFileHeader::Encode() const {
    std::array<std::uint8_t, kSize> bytes{};
    bytes[0] = static_cast<std::uint8_t>(kIdentification.size());
    std::memcpy(bytes.data() + 1, kIdentification.data(), kIdentification.size());
    bytes[41] = volumeNumber;
    bytes[42] = lastVolume ? 1 : 0;
    return bytes;
}

TSplitFileHeader TSplitFileHeader::Decode(const std::array<std::uint8_t, kSize>& bytes) {
    TSplitFileHeader header;
    header.volumeNumber = bytes[41];
    header.lastVolume = bytes[42] != 0;
    return header;
}

bool TSplitFileHeader::HasIdentification(const std::uint8_t* start, std::size_t available) {
    return available >= 1 + kIdentification.size() && start[0] == kIdentification.size() &&
           std::memcmp(start + 1, kIdentification.data(), kIdentification.size()) == 0;
}

std::string VolumeFileName(const std::string& name, int k) {
    if (k == 0) return name;
    // The extension is what follows the last dot of the last path component.
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? name.substr(0, dot) : name) + ".qx" + std::to_string(k);
}

}  // namespace archive
