#include "archive/ZlibBuffers.h"

#include <zlib.h>

#include <limits>
#include <new>

#include "archive/TCustomZlibStream.h"
#include "archive/ZlibError.h"

namespace archive {

namespace {

template <typename Error>
void grow(ZlibBlock& block, std::int64_t& size, std::int64_t step, z_stream& zs) {
    const std::int64_t produced = size - zs.avail_out;
    if (size + step > std::numeric_limits<std::int32_t>::max()) throw Error(kZlibFailure);
    void* grown = std::realloc(block.get(), static_cast<std::size_t>(size + step));
    if (grown == nullptr) throw std::bad_alloc();
    block.release();
    block.reset(static_cast<std::uint8_t*>(grown));
    size += step;
    zs.next_out = block.get() + produced;
    zs.avail_out = static_cast<uInt>(step);
}

void shrinkToProduced(ZlibBlock& block, std::int64_t size, z_stream& zs, std::int32_t& outBytes) {
    const std::int64_t produced = size - zs.avail_out;
    outBytes = static_cast<std::int32_t>(produced);
    if (produced == 0) {
        block.reset();
        return;
    }
    if (void* shrunk = std::realloc(block.get(), static_cast<std::size_t>(produced))) {
        block.release();
        block.reset(static_cast<std::uint8_t*>(shrunk));
    }
}

ZlibBlock allocate(std::int64_t size) {
    ZlibBlock block(static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size))));
    if (!block) throw std::bad_alloc();
    return block;
}

// Ends the zlib state on every way out; the normal way out checks the result.
struct DeflateState {
    z_stream zs{};
    bool live = false;
    ~DeflateState() {
        if (live) deflateEnd(&zs);
    }
    void end() {
        live = false;
        CCheck(deflateEnd(&zs));
    }
};

struct InflateState {
    z_stream zs{};
    bool live = false;
    ~InflateState() {
        if (live) inflateEnd(&zs);
    }
    void end() {
        live = false;
        DCheck(inflateEnd(&zs));
    }
};

}  // namespace

std::int64_t CompressBufInitialSize(std::int32_t inBytes) {
    const std::int64_t n = inBytes;
    return (n + n / 10 + 12 + 255) / 256 * 256;
}

std::int64_t DecompressBufIncrement(std::int32_t inBytes) {
    return (std::int64_t{inBytes} + 255) / 256 * 256;
}

void CompressBuf(const void* in, std::int32_t inBytes, ZlibBlock& out, std::int32_t& outBytes) {
    if (inBytes < 0) throw ECompressionError(kZlibFailure);
    DeflateState state;
    CCheck(deflateInit(&state.zs, 9));
    state.live = true;
    std::int64_t size = CompressBufInitialSize(inBytes);
    if (size > std::numeric_limits<std::int32_t>::max()) throw ECompressionError(kZlibFailure);
    ZlibBlock block = allocate(size);
    state.zs.next_in = static_cast<Bytef*>(const_cast<void*>(in));
    state.zs.avail_in = static_cast<uInt>(inBytes);
    state.zs.next_out = block.get();
    state.zs.avail_out = static_cast<uInt>(size);
    while (CCheck(deflate(&state.zs, Z_FINISH)) != Z_STREAM_END) {
        grow<ECompressionError>(block, size, 256, state.zs);
    }
    state.end();
    shrinkToProduced(block, size, state.zs, outBytes);
    out = std::move(block);
}

void DecompressBuf(const void* in, std::int32_t inBytes, std::int32_t outEstimate, ZlibBlock& out,
                   std::int32_t& outBytes) {
    if (inBytes < 0 || outEstimate < 0) throw EDecompressionError(kZlibFailure);
    const std::int64_t increment = DecompressBufIncrement(inBytes);
    InflateState state;
    state.zs.next_in = static_cast<Bytef*>(const_cast<void*>(in));
    state.zs.avail_in = static_cast<uInt>(inBytes);
    DCheck(inflateInit(&state.zs));
    state.live = true;
    std::int64_t size = outEstimate != 0 ? outEstimate : increment;
    // An empty input still needs room for inflate to report its failure.
    if (size == 0) size = 256;
    ZlibBlock block = allocate(size);
    state.zs.next_out = block.get();
    state.zs.avail_out = static_cast<uInt>(size);
    for (;;) {
        const int status = inflate(&state.zs, Z_FINISH);
        if (status == Z_STREAM_END) break;
        // With Z_FINISH, zlib reports a full output block as Z_BUF_ERROR; only a
        // Z_BUF_ERROR with room left means the input ran out.
        if (!(status == Z_BUF_ERROR && state.zs.avail_out == 0)) DCheck(status);
        if (state.zs.avail_out > 0 && state.zs.avail_in == 0)
            throw EDecompressionError(kZlibFailure);
        grow<EDecompressionError>(block, size, increment == 0 ? 256 : increment, state.zs);
    }
    state.end();
    shrinkToProduced(block, size, state.zs, outBytes);
    out = std::move(block);
}

}  // namespace archive
