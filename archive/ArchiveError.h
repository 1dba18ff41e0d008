#pragma once

#include <stdexcept>
#include <string>

namespace archive {

// Root of every failure raised by the archive layer. The message is the text to
// show: the system's own reason for file errors, the fixed texts of the zlib
// wrapper ("Error", "Invalid stream operation") for compression failures.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file or stream that could not be opened, read, written or positioned.
class StreamError : public ArchiveError {
public:
    using ArchiveError::ArchiveError;
};

}  // namespace archive
