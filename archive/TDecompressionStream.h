#pragma once

#include "archive/TCustomZlibStream.h"

namespace archive {

// Decompresses the zlib stream that starts at `source`'s current position.
// Read returns fewer bytes than asked when the zlib stream has ended
// (StreamEnded() is then true) or when `source` is exhausted before it ended
// (StreamEnded() stays false: the data is cut short). Bytes after the end of the
// zlib stream are ignored. Position is the bytes delivered so far; setting it
// forward skips, setting it to 0 starts again at position 0 of `source`; Size,
// writing and other seeks raise EDecompressionError "Invalid stream operation".
// Corrupt data raises EDecompressionError "Error".
class TDecompressionStream final : public TCustomZlibStream {
public:
    explicit TDecompressionStream(Stream& source);
    ~TDecompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

    bool StreamEnded() const { return ended_; }

private:
    bool ended_ = false;
};

}  // namespace archive
