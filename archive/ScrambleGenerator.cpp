#include "archive/ScrambleGenerator.h"

namespace archive {

namespace {

constexpr std::uint32_t kMultiplier = 134775813u;
constexpr int kLanes = 8;

// The generator advanced by kLanes steps at once: state * a^8 + (a^7 + … + 1).
constexpr std::uint32_t kLaneMultiplier = [] {
    std::uint32_t m = 1;
    for (int i = 0; i < kLanes; ++i) m *= kMultiplier;
    return m;
}();
constexpr std::uint32_t kLaneIncrement = [] {
    std::uint32_t c = 0;
    for (int i = 0; i < kLanes; ++i) c = c * kMultiplier + 1u;
    return c;
}();

}  // namespace

// The generator's chain of multiplications is the bottleneck of a byte-by-byte
// loop; eight interleaved lanes, each jumping eight steps, give the same values
// in the same order without waiting on one another.
template <bool Add>
void ScrambleGenerator::apply(std::uint8_t* block, std::uint32_t count) {
    std::uint32_t j = 1;
    if (count >= kLanes) {
        std::uint32_t lanes[kLanes];
        std::uint32_t state = state_;
        for (auto& lane : lanes) lane = state = state * kMultiplier + 1u;
        std::uint32_t last = state_;
        for (; j + kLanes - 1 <= count; j += kLanes) {
            for (int i = 0; i < kLanes; ++i) {
                const auto r = static_cast<std::uint8_t>((std::uint64_t{lanes[i]} * (j + i)) >> 32);
                block[j + i - 1] =
                    static_cast<std::uint8_t>(Add ? block[j + i - 1] + r : block[j + i - 1] - r);
            }
            last = lanes[kLanes - 1];
            for (auto& lane : lanes) lane = lane * kLaneMultiplier + kLaneIncrement;
        }
        state_ = last;
    }
    for (; j <= count; ++j) {
        const auto r = static_cast<std::uint8_t>(Next(j));
        block[j - 1] = static_cast<std::uint8_t>(Add ? block[j - 1] + r : block[j - 1] - r);
    }
}

void ScrambleGenerator::Scramble(std::uint8_t* block, std::uint32_t count) {
    apply<true>(block, count);
}

void ScrambleGenerator::Unscramble(std::uint8_t* block, std::uint32_t count) {
    apply<false>(block, count);
}

}  // namespace archive
