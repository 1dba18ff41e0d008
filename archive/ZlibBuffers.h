#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace archive {

struct FreeDeleter {
    void operator()(void* block) const noexcept { std::free(block); }
};
// A block from the general allocator, owned by whoever holds it.
using ZlibBlock = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// Compresses `inBytes` bytes at `in` (level 9) into a new block holding the whole
// zlib stream; `outBytes` is its length. On failure nothing is allocated and
// ECompressionError "Error" is raised.
void CompressBuf(const void* in, std::int32_t inBytes, ZlibBlock& out, std::int32_t& outBytes);

// Decompresses a whole zlib stream. `outEstimate` is a guess of the result's
// size, 0 for none. Raises EDecompressionError "Error" on corrupt or truncated
// input, or when the result would not fit a 32-bit count.
void DecompressBuf(const void* in, std::int32_t inBytes, std::int32_t outEstimate, ZlibBlock& out,
                   std::int32_t& outBytes);

// Growth rules of the two functions: CompressBuf starts with this many bytes and
// grows by 256; DecompressBuf starts with the estimate (or the increment) and
// grows by the increment.
std::int64_t CompressBufInitialSize(std::int32_t inBytes);
std::int64_t DecompressBufIncrement(std::int32_t inBytes);

}  // namespace archive
