#include "archive/FileStream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "archive/ArchiveError.h"

namespace archive {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    // flock's "Resource temporarily unavailable" tells an operator nothing.
    const std::string reason =
        error == EWOULDBLOCK ? "it is in use by another process" : std::strerror(error);
    throw StreamError(what + " \"" + path + "\": " + reason);
}

}  // namespace

FileStream::FileStream(const std::string& path, FileMode mode) : path_(path) {
    // Create does not truncate on open: a file locked by someone else must be
    // refused before its content is touched.
    const int flags = mode == FileMode::OpenRead ? O_RDONLY : O_RDWR | O_CREAT;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd_ < 0)
        fail(mode == FileMode::OpenRead ? "Cannot open file" : "Cannot create file", path, errno);
    lock();
    if (mode == FileMode::Create && ::ftruncate(fd_, 0) != 0) {
        const int error = errno;
        close();
        fail("Cannot create file", path, error);
    }
}

FileStream::FileStream(int fd, const std::string& path) : path_(path), fd_(fd) { lock(); }

void FileStream::lock() {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close();
        fail("Cannot open file", path_, error);
    }
}

void FileStream::Sync() {
    if (::fsync(fd_) != 0) fail("Cannot write file", path_, errno);
}

FileStream::FileStream(FileStream&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileStream::~FileStream() { close(); }

void FileStream::close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);  // closing also drops the lock
        fd_ = -1;
    }
}

std::int64_t FileStream::Read(void* buffer, std::int64_t count) {
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot read file", path_, errno);
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t FileStream::Write(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOSPC || errno == EFBIG || errno == EDQUOT) {
                shortWriteError_ = errno;
                break;
            }
            fail("Cannot write file", path_, errno);
        }
        done += n;
    }
    return done;
}

void FileStream::ReadBuffer(void* buffer, std::int64_t count) {
    const std::int64_t start = Position();
    const std::int64_t n = Read(buffer, count);
    if (n != count)
        throw StreamError("Cannot read file \"" + path_ + "\": it ends after " +
                          std::to_string(start + n) + " bytes, " + std::to_string(count - n) +
                          " bytes short of what was expected (was it changed meanwhile?)");
}

void FileStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (Write(buffer, count) != count) fail("Cannot write file", path_, shortWriteError_);
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Beginning ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t position = ::lseek(fd_, offset, whence);
    if (position < 0) fail("Cannot position in file", path_, errno);
    return position;
}

std::int64_t FileStream::Size() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) fail("Cannot query file", path_, errno);
    return info.st_size;
}

}  // namespace archive
