#include "archive/BufferedOutputStream.h"

#include <cstring>

#include "archive/ArchiveError.h"

namespace archive {

BufferedOutputStream::BufferedOutputStream(Stream& target)
    : target_(target), buffer_(new unsigned char[kBufferSize]) {}

std::int64_t BufferedOutputStream::Read(void*, std::int64_t) {
    throw StreamError("A buffered output stream cannot be read");
}

std::int64_t BufferedOutputStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    if (used_ + count > kBufferSize) Flush();
    if (count >= kBufferSize) {
        target_.WriteBuffer(buffer, count);
    } else {
        std::memcpy(buffer_.get() + used_, buffer, static_cast<std::size_t>(count));
        used_ += count;
    }
    return count;
}

std::int64_t BufferedOutputStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (offset == 0 && origin == SeekOrigin::Current) return target_.Position() + used_;
    Flush();
    return target_.Seek(offset, origin);
}

void BufferedOutputStream::Flush() {
    const std::int64_t n = used_;
    used_ = 0;
    target_.WriteBuffer(buffer_.get(), n);
}

}  // namespace archive
