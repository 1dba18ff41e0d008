#include "archive/TemporaryFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "archive/ArchiveError.h"
#include "archive/InterruptCleanup.h"

namespace archive {

namespace fs = std::filesystem;

namespace {

// 60 random bits as 12 characters that need no quoting anywhere.
std::string randomName() {
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz234567";
    unsigned char bytes[8];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR)
            throw StreamError(std::string("Cannot choose a temporary name: ") +
                              std::strerror(errno));
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes, sizeof bits);
    std::string name;
    for (int i = 0; i < 12; ++i, bits >>= 5) name += kDigits[bits & 31];
    return name;
}

void syncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename is done; only its durability is at stake
    ::fsync(fd);
    ::close(fd);
}

std::string directoryOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

std::unique_ptr<TemporaryFile> TemporaryFile::Private(const std::string& stem) {
    return std::unique_ptr<TemporaryFile>(
        new TemporaryFile(fs::temp_directory_path().string(), stem + "-", ".tmp", 0600, {}));
}

std::unique_ptr<TemporaryFile> TemporaryFile::Beside(const std::string& target) {
    // Visible, so that what a killed process leaves behind is recognised.
    return std::unique_ptr<TemporaryFile>(new TemporaryFile(
        directoryOf(target), fs::path(target).filename().string() + ".part-", "", 0666, target));
}

TemporaryFile::TemporaryFile(const std::string& directory, const std::string& prefix,
                             const std::string& suffix, mode_t mode, std::string target)
    : target_(std::move(target)) {
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        path_ = (fs::path(directory) / (prefix + randomName() + suffix)).string();
        // O_EXCL refuses an existing name, a symbolic link included.
        fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            const std::string what =
                target_.empty() ? "Cannot create a temporary file in \"" + directory + "\": "
                                : "Cannot create file \"" + target_ + "\": ";
            throw StreamError(what + std::strerror(error));
        }
    }
    cleanupSlot_ = InterruptCleanup::Remember(path_);
    try {
        stream_.emplace(fd, target_.empty() ? path_ : target_);
    } catch (...) {
        ::unlink(path_.c_str());
        InterruptCleanup::Forget(cleanupSlot_);
        throw;
    }
}

TemporaryFile::~TemporaryFile() {
    Close();
    if (!committed_) ::unlink(path_.c_str());
    InterruptCleanup::Forget(cleanupSlot_);
}

FileStream& TemporaryFile::Stream() {
    if (!stream_) throw StreamError("The temporary file \"" + path_ + "\" is closed");
    return *stream_;
}

void TemporaryFile::Close() noexcept { stream_.reset(); }

void TemporaryFile::Commit() {
    Stream().Sync();
    Close();
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        throw StreamError("Cannot replace file \"" + target_ + "\": " + std::strerror(errno));
    committed_ = true;
    InterruptCleanup::Forget(cleanupSlot_);
    cleanupSlot_ = -1;
    syncDirectory(directoryOf(target_));
}

}  // namespace archive
