#include "archive/TCompressionStream.h"

#include "archive/ZlibError.h"

namespace archive {

TCompressionStream::TCompressionStream(TCompressionLevel level, Stream& destination)
    : TCustomZlibStream(destination) {
    zstream_.next_out = buffer_.data();
    zstream_.avail_out = kBufferSize;
    CCheck(deflateInit(&zstream_, ZlibLevel(level)));
}

TCompressionStream::~TCompressionStream() {
    try {
        Finish();
    } catch (...) {
        // A destructor cannot report; Finish is there for callers who must know.
    }
    deflateEnd(&zstream_);
}

void TCompressionStream::Finish() {
    if (finished_) return;
    finished_ = true;
    zstream_.next_in = nullptr;
    zstream_.avail_in = 0;
    RestoreUnderlyingPosition();
    while (CCheck(deflate(&zstream_, Z_FINISH)) != Z_STREAM_END && zstream_.avail_out == 0) {
        underlying_.WriteBuffer(buffer_.data(), kBufferSize);
        zstream_.next_out = buffer_.data();
        zstream_.avail_out = kBufferSize;
    }
    if (zstream_.avail_out < kBufferSize)
        underlying_.WriteBuffer(buffer_.data(), kBufferSize - zstream_.avail_out);
    RecordUnderlyingPosition();
}

std::int64_t TCompressionStream::Read(void*, std::int64_t) {
    throw ECompressionError(kInvalidStreamOperation);
}

std::int64_t TCompressionStream::Write(const void* buffer, std::int64_t count) {
    if (finished_) throw ECompressionError(kInvalidStreamOperation);
    const auto* in = static_cast<const Bytef*>(buffer);
    // zlib counts in 32 bits; larger writes go in pieces.
    constexpr std::int64_t kPiece = 1 << 30;
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t piece = left < kPiece ? left : kPiece;
        zstream_.next_in = const_cast<Bytef*>(in);
        zstream_.avail_in = static_cast<uInt>(piece);
        RestoreUnderlyingPosition();
        while (zstream_.avail_in > 0) {
            CCheck(deflate(&zstream_, Z_NO_FLUSH));
            if (zstream_.avail_out == 0) {
                underlying_.WriteBuffer(buffer_.data(), kBufferSize);
                zstream_.next_out = buffer_.data();
                zstream_.avail_out = kBufferSize;
                RecordUnderlyingPosition();
                Progress(*this);
            }
        }
        in += piece;
        left -= piece;
    }
    return count;
}

std::int64_t TCompressionStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Current)
        return static_cast<std::int64_t>(zstream_.total_in);
    throw ECompressionError(kInvalidStreamOperation);
}

float TCompressionStream::GetCompressionRate() const {
    if (zstream_.total_in == 0) return 0.0f;
    return (1.0f - static_cast<float>(zstream_.total_out) / static_cast<float>(zstream_.total_in)) *
           100.0f;
}

}  // namespace archive
