#include "archive/TCustomZlibStream.h"

#include "archive/ZlibError.h"

namespace archive {

int CCheck(int status) {
    if (status < 0) throw ECompressionError(kZlibFailure);
    return status;
}

int DCheck(int status) {
    if (status < 0 || status == Z_NEED_DICT) throw EDecompressionError(kZlibFailure);
    return status;
}

TCustomZlibStream::TCustomZlibStream(Stream& underlying)
    : underlying_(underlying), underlyingPosition_(underlying.Position()) {}

void TCustomZlibStream::Progress(TCustomZlibStream& sender) {
    if (onProgress_) onProgress_(sender);
}

void TCustomZlibStream::RestoreUnderlyingPosition() {
    if (underlying_.Position() != underlyingPosition_) underlying_.SetPosition(underlyingPosition_);
}

void TCustomZlibStream::RecordUnderlyingPosition() { underlyingPosition_ = underlying_.Position(); }

}  // namespace archive
