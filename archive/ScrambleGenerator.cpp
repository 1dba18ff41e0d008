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
void ScrambleGenerator::apply(std::uint8_t* block, std::uint32_t count, std::uint32_t first) {
    std::uint32_t k = 0;  // block[k] is byte number first + k
    if (count >= kLanes) {
        std::uint32_t lanes[kLanes];
        std::uint32_t state = state_;
        for (auto& lane : lanes) lane = state = state * kMultiplier + 1u;
        std::uint32_t last = state_;
        for (; k + kLanes <= count; k += kLanes) {
            for (int i = 0; i < kLanes; ++i) {
                const auto r =
                    static_cast<std::uint8_t>((std::uint64_t{lanes[i]} * (first + k + i)) >> 32);
                block[k + i] = static_cast<std::uint8_t>(Add ? block[k + i] + r : block[k + i] - r);
            }
            last = lanes[kLanes - 1];
            for (auto& lane : lanes) lane = lane * kLaneMultiplier + kLaneIncrement;
        }
        state_ = last;
    }
    for (; k < count; ++k) {
        const auto r = static_cast<std::uint8_t>(Next(first + k));
        block[k] = static_cast<std::uint8_t>(Add ? block[k] + r : block[k] - r);
    }
}

void ScrambleGenerator::Scramble(std::uint8_t* block, std::uint32_t count, std::uint32_t first) {
    apply<true>(block, count, first);
}

void ScrambleGenerator::Unscramble(std::uint8_t* block, std::uint32_t count, std::uint32_t first) {
    apply<false>(block, count, first);
}

}  // namespace archive
