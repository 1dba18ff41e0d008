#include "RunWorker.h"

#include "engine/TCopyDataThread.h"

namespace gui {

void RunWorker::run() {
    engine::TCopyDataThread run(ctx_);
    emit done(run.Execute() == engine::RunOutcome::Completed);
}

}  // namespace gui
