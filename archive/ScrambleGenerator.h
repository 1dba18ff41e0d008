#pragma once

#include <cstdint>

namespace archive {

// The pseudo-random sequence that scrambles an archive's payload. One generator
// serves one pack or unpack: seeded once, it runs on through every block, while
// the byte numbering restarts at 1 in each block.
class ScrambleGenerator {
public:
    static constexpr std::uint32_t kSeed = 523817;

    void Seed() { state_ = kSeed; }

    // The next value below n (0 for n = 1); the state advances in every case.
    std::uint32_t Next(std::uint32_t n) {
        state_ = state_ * 134775813u + 1u;
        return static_cast<std::uint32_t>((std::uint64_t{state_} * n) >> 32);
    }

    // Byte j (from 1) of a block becomes byte + Next(j), or byte - Next(j).
    // `first` is the number of the first byte given, for a block handled in
    // pieces; the pieces must follow one another.
    void Scramble(std::uint8_t* block, std::uint32_t count, std::uint32_t first = 1);
    void Unscramble(std::uint8_t* block, std::uint32_t count, std::uint32_t first = 1);

private:
    template <bool Add>
    void apply(std::uint8_t* block, std::uint32_t count, std::uint32_t first);

    std::uint32_t state_ = kSeed;
};

}  // namespace archive
