#include "archive/ScramblingStream.h"

#include <algorithm>
#include <cstring>

#include "archive/ArchiveError.h"

namespace archive {

ScramblingStream::ScramblingStream(Stream& underlying, ScrambleGenerator& generator)
    : underlying_(underlying), generator_(generator), start_(underlying.Position()) {}

template <bool Scramble>
void ScramblingStream::apply(std::uint8_t* bytes, std::int64_t count) {
    while (count > 0) {
        const std::int64_t within = position_ % kBlockSize;
        const std::int64_t piece = std::min(count, kBlockSize - within);
        const auto n = static_cast<std::uint32_t>(piece);
        const auto first = static_cast<std::uint32_t>(within + 1);
        if (Scramble)
            generator_.Scramble(bytes, n, first);
        else
            generator_.Unscramble(bytes, n, first);
        bytes += piece;
        count -= piece;
        position_ += piece;
    }
}

std::int64_t ScramblingStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n = underlying_.Read(buffer, count);
    apply<false>(static_cast<std::uint8_t*>(buffer), n);
    return n;
}

std::int64_t ScramblingStream::Write(const void* buffer, std::int64_t count) {
    constexpr std::int64_t kPiece = 1 << 16;
    if (scratch_.empty()) scratch_.resize(kPiece);
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t n = std::min(left, kPiece);
        std::memcpy(scratch_.data(), in, static_cast<std::size_t>(n));
        apply<true>(scratch_.data(), n);
        underlying_.WriteBuffer(scratch_.data(), n);
        in += n;
        left -= n;
    }
    return count;
}

std::int64_t ScramblingStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Current) return position_;
    if (offset == 0 && origin == SeekOrigin::Beginning) {
        underlying_.SetPosition(start_);
        generator_.Seed();
        position_ = 0;
        return 0;
    }
    throw StreamError("A scrambled payload can only be read or written from its start on");
}

}  // namespace archive
