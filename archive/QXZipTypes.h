#pragma once

#include <cstdint>

namespace archive {

enum class TCompressType : std::uint8_t { ctNone, ctNormal, ctFastest, ctMaximize };
enum class TOutDiskType : std::uint8_t { odtFloppy, odtHard };
enum class TFloppyDriver : std::uint8_t { fdA, fdB };

}  // namespace archive
