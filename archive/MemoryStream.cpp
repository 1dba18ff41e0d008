#include "archive/MemoryStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "archive/ArchiveError.h"

namespace archive {

MemoryStream::MemoryStream(MemoryStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      position_(std::exchange(other.position_, 0)) {}

MemoryStream& MemoryStream::operator=(MemoryStream&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        position_ = std::exchange(other.position_, 0);
    }
    return *this;
}

MemoryStream::~MemoryStream() { std::free(data_); }

void MemoryStream::setCapacity(std::int64_t capacity) {
    // realloc lets large blocks be remapped instead of copied.
    void* grown = std::realloc(data_, static_cast<std::size_t>(capacity));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<unsigned char*>(grown);
    capacity_ = capacity;
}

void MemoryStream::Reserve(std::int64_t capacity) {
    if (capacity > capacity_) setCapacity(capacity);
}

std::int64_t MemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n =
        std::clamp<std::int64_t>(size_ - position_, 0, std::max<std::int64_t>(count, 0));
    if (n > 0) std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t MemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const std::int64_t end = position_ + count;
    if (end > capacity_) {
        constexpr std::int64_t kStep = 8 * 1024;
        const std::int64_t wanted = std::max(end, capacity_ + capacity_ / 2);
        setCapacity((wanted + kStep - 1) / kStep * kStep);
    }
    if (position_ > size_)
        std::memset(data_ + size_, 0, static_cast<std::size_t>(position_ - size_));
    std::memcpy(data_ + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    size_ = std::max(size_, end);
    return count;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const std::int64_t base = origin == SeekOrigin::Beginning ? 0
                              : origin == SeekOrigin::Current ? position_
                                                              : size_;
    if (base + offset < 0) throw StreamError("Cannot position before the start of a memory stream");
    position_ = base + offset;
    return position_;
}

}  // namespace archive
