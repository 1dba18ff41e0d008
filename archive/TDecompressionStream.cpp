#include "archive/TDecompressionStream.h"

#include <algorithm>

#include "archive/ZlibError.h"

namespace archive {

TDecompressionStream::TDecompressionStream(Stream& source) : TCustomZlibStream(source) {
    zstream_.next_in = buffer_.data();
    zstream_.avail_in = 0;
    DCheck(inflateInit(&zstream_));
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&zstream_); }

std::int64_t TDecompressionStream::Read(void* buffer, std::int64_t count) {
    if (ended_ || count <= 0) return 0;
    // zlib counts in 32 bits; one call delivers at most 1 GiB.
    count = std::min<std::int64_t>(count, 1 << 30);
    zstream_.next_out = static_cast<Bytef*>(buffer);
    zstream_.avail_out = static_cast<uInt>(count);
    RestoreUnderlyingPosition();
    while (zstream_.avail_out > 0) {
        if (zstream_.avail_in == 0) {
            const std::int64_t n = underlying_.Read(buffer_.data(), kBufferSize);
            if (n == 0) return count - zstream_.avail_out;
            zstream_.next_in = buffer_.data();
            zstream_.avail_in = static_cast<uInt>(n);
            RecordUnderlyingPosition();
            Progress(*this);
        }
        // At the end of the zlib stream inflate would report the end again and
        // again without progress, so the end stops the loop.
        if (DCheck(inflate(&zstream_, Z_NO_FLUSH)) == Z_STREAM_END) {
            ended_ = true;
            return count - zstream_.avail_out;
        }
    }
    return count;
}

std::int64_t TDecompressionStream::Write(const void*, std::int64_t) {
    throw EDecompressionError(kInvalidStreamOperation);
}

std::int64_t TDecompressionStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const auto delivered = static_cast<std::int64_t>(zstream_.total_out);
    if (offset == 0 && origin == SeekOrigin::Beginning) {
        DCheck(inflateReset(&zstream_));
        zstream_.next_in = buffer_.data();
        zstream_.avail_in = 0;
        ended_ = false;
        underlying_.SetPosition(0);
        underlyingPosition_ = 0;
    } else if ((origin == SeekOrigin::Current && offset >= 0) ||
               (origin == SeekOrigin::Beginning && offset > delivered)) {
        std::int64_t distance = origin == SeekOrigin::Beginning ? offset - delivered : offset;
        std::array<Bytef, 4096> discard;
        for (; distance >= static_cast<std::int64_t>(discard.size()); distance -= discard.size()) {
            ReadBuffer(discard.data(), discard.size());
        }
        ReadBuffer(discard.data(), distance);
    } else {
        throw EDecompressionError(kInvalidStreamOperation);
    }
    return static_cast<std::int64_t>(zstream_.total_out);
}

}  // namespace archive
