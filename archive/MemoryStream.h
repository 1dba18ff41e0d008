#pragma once

#include <cstdint>

#include "archive/Stream.h"

namespace archive {

// A growable block of memory read and written as a stream. Growth is
// geometric; Reserve sets the capacity up front when the final size is known,
// which keeps a large payload from being held twice during a reallocation.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    MemoryStream(MemoryStream&& other) noexcept;
    MemoryStream& operator=(MemoryStream&& other) noexcept;
    ~MemoryStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Raises std::bad_alloc when memory runs out; never writes short.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return size_; }

    void Reserve(std::int64_t capacity);
    const unsigned char* Memory() const { return data_; }

private:
    void setCapacity(std::int64_t capacity);

    unsigned char* data_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t capacity_ = 0;
    std::int64_t position_ = 0;
};

}  // namespace archive
