#include "archive/TQXProductInfo.h"

#include <algorithm>
#include <cstring>

namespace archive {

std::string TQXProductInfo::field(Field f) const {
    const std::size_t length = std::min<std::size_t>(bytes[f.offset], f.capacity);
    return std::string(reinterpret_cast<const char*>(bytes.data() + f.offset + 1), length);
}

void TQXProductInfo::setField(Field f, std::string_view text) {
    const std::size_t length = std::min(text.size(), f.capacity);
    bytes[f.offset] = static_cast<std::uint8_t>(length);
    std::memcpy(bytes.data() + f.offset + 1, text.data(), length);
}

bool TQXProductInfo::HasArchiveIdentification() const {
    return bytes[0] == kIdentification.size() && Identification() == kIdentification;
}

}  // namespace archive
