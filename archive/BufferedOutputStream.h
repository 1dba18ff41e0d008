#pragma once

#include <memory>

#include "archive/Stream.h"

namespace archive {

// Gathers small writes into one large buffer before they reach `target`, so an
// unpacking that writes 4 KiB pieces does not pay one system call per piece.
// Write errors of `target` surface at the Write that fills the buffer, at Seek,
// or at Flush; call Flush before relying on the data. Reading is not supported.
// Borrows `target`; the destructor drops (does not write) what is left.
class BufferedOutputStream final : public Stream {
public:
    // 64 KiB: large enough to make system calls rare, small enough to stay in
    // cache (a 1 MiB buffer made the kernel's copy slower).
    static constexpr std::int64_t kBufferSize = 1 << 16;

    explicit BufferedOutputStream(Stream& target);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Returns `count`, or raises the target's write error.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

    void Flush();

private:
    Stream& target_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::int64_t used_ = 0;
};

}  // namespace archive
