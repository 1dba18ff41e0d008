#include "archive/Stream.h"

#include <algorithm>
#include <vector>

#include "archive/ArchiveError.h"

namespace archive {

std::int64_t Stream::Size() {
    const std::int64_t position = Seek(0, SeekOrigin::Current);
    const std::int64_t size = Seek(0, SeekOrigin::End);
    Seek(position, SeekOrigin::Beginning);
    return size;
}

void Stream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw StreamError("Stream read error");
}

void Stream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw StreamError("Stream write error");
}

std::int64_t Stream::CopyFrom(Stream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr std::int64_t kPiece = 64 * 1024;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(count, kPiece)));
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t n = std::min(left, kPiece);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

}  // namespace archive
