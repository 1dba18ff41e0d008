#pragma once

#include <cstdint>
#include <vector>

#include "archive/ScrambleGenerator.h"
#include "archive/Stream.h"

namespace archive {

// An archive's payload seen through its scrambling: bytes written are scrambled
// on their way to `underlying`, bytes read are unscrambled, in blocks counted
// from the underlying stream's position at construction (the payload's first
// byte). Reads and writes of any size keep the block numbering, so the payload
// streams through in pieces instead of being held whole. Borrows both the
// stream and the generator; position 0 re-seeds the generator. Only the current
// position can be asked and only 0 can be set.
class ScramblingStream final : public Stream {
public:
    static constexpr std::int64_t kBlockSize = 16384;

    ScramblingStream(Stream& underlying, ScrambleGenerator& generator);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Returns `count`, or raises the underlying stream's write error.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

private:
    template <bool Scramble>
    void apply(std::uint8_t* bytes, std::int64_t count);

    Stream& underlying_;
    ScrambleGenerator& generator_;
    std::int64_t start_;
    std::int64_t position_ = 0;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace archive
