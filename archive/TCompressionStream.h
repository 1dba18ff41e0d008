#pragma once

#include "archive/TCompressionLevel.h"
#include "archive/TCustomZlibStream.h"

namespace archive {

// Compresses everything written to it into `destination` as one zlib stream.
// `destination` must stay untouched by others until Finish (or destruction).
// Position reports the uncompressed bytes written; reading, Size and any other
// seek raise ECompressionError "Invalid stream operation".
class TCompressionStream final : public TCustomZlibStream {
public:
    TCompressionStream(TCompressionLevel level, Stream& destination);
    // Completes the stream when Finish was not called; a write failure at that
    // point cannot be reported (call Finish to see it).
    ~TCompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

    // Flushes the rest of the zlib stream into the destination; write errors of
    // the destination pass through. Writing afterwards is refused.
    void Finish();

    // Percentage saved so far; 0 before anything was written.
    float GetCompressionRate() const;

private:
    bool finished_ = false;
};

}  // namespace archive
