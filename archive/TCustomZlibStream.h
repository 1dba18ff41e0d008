#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <functional>

#include "archive/Stream.h"

namespace archive {

// Base of the compression and decompression streams: a zlib state working
// through one 64 KiB transfer buffer against an underlying stream, which it
// borrows (never owns, never frees). Between calls other code may move the
// underlying stream: each transfer first puts it back where this stream left it.
// Neither copyable nor movable (zlib keeps a pointer to its state record).
class TCustomZlibStream : public Stream {
public:
    static constexpr std::int64_t kBufferSize = 65536;

    // Called with this stream as sender each time a full buffer has passed to or
    // from the underlying stream.
    using ProgressHandler = std::function<void(TCustomZlibStream& sender)>;
    void SetOnProgress(ProgressHandler handler) { onProgress_ = std::move(handler); }

    // zlib's counters: uncompressed bytes consumed / compressed bytes produced
    // when compressing, the other way round when decompressing.
    std::uint64_t TotalIn() const { return zstream_.total_in; }
    std::uint64_t TotalOut() const { return zstream_.total_out; }

protected:
    explicit TCustomZlibStream(Stream& underlying);

    virtual void Progress(TCustomZlibStream& sender);

    // Moves the underlying stream back to where this stream last left it.
    void RestoreUnderlyingPosition();
    void RecordUnderlyingPosition();

    Stream& underlying_;
    std::int64_t underlyingPosition_;
    ProgressHandler onProgress_;
    z_stream zstream_{};
    std::array<Bytef, kBufferSize> buffer_;
};

// Status checks: a negative zlib status raises the class's "Error"; others pass.
int CCheck(int status);
// Also refuses Z_NEED_DICT: no dictionary is ever supplied, so inflate could
// make no progress and a caller waiting for it would loop.
int DCheck(int status);

}  // namespace archive
