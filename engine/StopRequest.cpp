#include "StopRequest.h"

#include "RunContext.h"
#include "RunError.h"

namespace engine {

void throwIfStopRequested(const RunContext& ctx) {
    if (ctx.stopRequested && ctx.stopRequested->load(std::memory_order_relaxed))
        throw RunInterrupted(kRunInterruptedText);
}

}  // namespace engine
