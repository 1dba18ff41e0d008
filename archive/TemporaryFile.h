#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "archive/FileStream.h"

namespace archive {

// A file that exists only for one operation: created exclusively under a name
// nobody can predict (a link planted at any name is never followed), removed
// when the object goes, when an exception unwinds past it and when the process
// is interrupted (InterruptCleanup). An output file is made complete beside its
// target and then renamed over it (Commit), so the target is either what it was
// or the whole new file. Not copyable; one thread at a time.
class TemporaryFile {
public:
    // In the system's temporary directory, readable by this user only.
    static std::unique_ptr<TemporaryFile> Private(const std::string& stem);
    // In the directory of `target`, with the permissions a newly created file
    // gets; errors name `target`. Throws StreamError with the system's reason.
    static std::unique_ptr<TemporaryFile> Beside(const std::string& target);

    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    const std::string& Path() const { return path_; }
    // Open from creation until Close or Commit.
    FileStream& Stream();
    // Releases the file's stream and lock; the file stays until destruction.
    void Close() noexcept;
    // Puts the content on the disk and renames the file over the target given
    // to Beside; afterwards nothing is removed.
    void Commit();

private:
    TemporaryFile(const std::string& directory, const std::string& prefix,
                  const std::string& suffix, mode_t mode, std::string target);

    std::string path_;
    std::string target_;
    std::optional<FileStream> stream_;
    int cleanupSlot_ = -1;
    bool committed_ = false;
};

}  // namespace archive
