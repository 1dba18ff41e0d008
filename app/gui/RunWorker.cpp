#include "RunWorker.h"

#include <ctime>
#include <exception>

#include "app/RunReportFiles.h"
#include "engine/RunHost.h"

namespace gui {

void RunWorker::run() {
    std::time_t started = std::time(nullptr);
    engine::TCopyDataThread run(ctx_);
    result_.outcome = run.Execute();
    result_.report = ctx_.report;
    if (!result_.report.tables.empty()) {
        try {
            result_.reportPath = app::saveRunReport(ctx_.programDir, ctx_.sourceDatabase,
                                                    ctx_.targetDatabase, started, result_.report);
        } catch (const std::exception& e) {
            result_.reportError = e.what();
            ctx_.host->appendLog(std::string("核对报告无法保存：") + e.what());
        }
    }
    emit done();
}

}  // namespace gui
