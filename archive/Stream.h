#pragma once

#include <cstdint>

namespace archive {

enum class SeekOrigin : std::uint16_t { Beginning = 0, Current = 1, End = 2 };

// A byte stream. Read and Write return how many bytes they moved (fewer than asked
// at the end of the data, or when a disk is full); ReadBuffer and WriteBuffer
// raise StreamError instead of moving fewer. Not copyable; not thread-safe.
class Stream {
public:
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    virtual ~Stream() = default;

protected:
    Stream(Stream&&) = default;
    Stream& operator=(Stream&&) = default;

public:
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Beginning); }
    // By default found by seeking to the end and back.
    virtual std::int64_t Size();

    virtual void ReadBuffer(void* buffer, std::int64_t count);
    virtual void WriteBuffer(const void* buffer, std::int64_t count);

    // Copies `count` bytes from the current position of `source`; a count of 0
    // copies the whole of `source` from its beginning. Returns the bytes copied.
    std::int64_t CopyFrom(Stream& source, std::int64_t count);
};

}  // namespace archive
