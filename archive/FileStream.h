#pragma once

#include <string>

#include "archive/Stream.h"

namespace archive {

enum class FileMode {
    OpenRead,  // an existing file, read only
    Create,    // created, or truncated when it exists; read and write
};

// A file opened with exclusive access: an advisory lock (flock) keeps a second
// FileStream, in this or another process, from opening the same file meanwhile.
// Unbuffered; every Read/Write is a system call. Move-only; closing never throws.
class FileStream final : public Stream {
public:
    // Throws StreamError with the system's reason when the file cannot be opened
    // or is in use.
    FileStream(const std::string& path, FileMode mode);
    // Takes over `fd`, an open read-write file, and locks it as above; `path` is
    // the name its errors give (for a temporary: the file it will become).
    FileStream(int fd, const std::string& path);
    FileStream(FileStream&& other) noexcept;
    FileStream& operator=(FileStream&& other) noexcept;
    ~FileStream() override;

    // Short only at the end of the file.
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Short only when the disk is full or the file size limit is reached; other
    // errors raise StreamError.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override;
    // Like Stream::ReadBuffer, saying how far the file went.
    void ReadBuffer(void* buffer, std::int64_t count) override;
    // Like Stream::WriteBuffer, with the system's reason for a short write.
    void WriteBuffer(const void* buffer, std::int64_t count) override;

    // Waits until what was written is on the disk.
    void Sync();

    const std::string& path() const { return path_; }
    int fd() const { return fd_; }

private:
    void lock();
    void close() noexcept;

    std::string path_;
    int fd_ = -1;
    int shortWriteError_ = 0;
};

}  // namespace archive
