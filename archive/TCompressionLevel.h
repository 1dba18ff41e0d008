#pragma once

#include <cstdint>

namespace archive {

enum class TCompressionLevel : std::uint8_t { clNone, clFastest, clDefault, clMax };

// The level handed to deflateInit for each value.
constexpr int ZlibLevel(TCompressionLevel level) {
    switch (level) {
        case TCompressionLevel::clNone:
            return 0;
        case TCompressionLevel::clFastest:
            return 1;
        case TCompressionLevel::clMax:
            return 9;
        case TCompressionLevel::clDefault:
            break;
    }
    return -1;  // zlib's own default
}

}  // namespace archive
