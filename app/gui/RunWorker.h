#pragma once

#include <QObject>
#include <string>

#include "engine/TCopyDataThread.h"

namespace engine {
struct RunContext;
}

namespace gui {

// What a run left behind, for the window once the run's thread has finished.
struct RunResult {
    engine::RunOutcome outcome = engine::RunOutcome::Failed;
    engine::RunReport report;
    std::string reportPath;   // the report's text file beside the run log
    std::string reportError;  // why it could not be saved
};

// Runs one migration on the thread it was moved to, saves its report beside the
// run log and tells the outcome. `result` is written on that thread and read
// after it has finished.
class RunWorker : public QObject {
    Q_OBJECT
public:
    RunWorker(engine::RunContext& ctx, RunResult& result) : ctx_(ctx), result_(result) {}

public slots:
    void run();

signals:
    void done();

private:
    engine::RunContext& ctx_;
    RunResult& result_;
};

}  // namespace gui
