#pragma once

#include "archive/ArchiveError.h"

namespace archive {

// Failures of the zlib wrapper. The message is "Error" when zlib returned a
// failure status and "Invalid stream operation" when a stream was asked for
// something it cannot do; zlib's own message text is not used.
class EZlibError : public ArchiveError {
public:
    using ArchiveError::ArchiveError;
};

class ECompressionError : public EZlibError {
public:
    using EZlibError::EZlibError;
};

class EDecompressionError : public EZlibError {
public:
    using EZlibError::EZlibError;
};

inline constexpr const char* kZlibFailure = "Error";
inline constexpr const char* kInvalidStreamOperation = "Invalid stream operation";

}  // namespace archive
