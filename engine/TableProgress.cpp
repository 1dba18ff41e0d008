#include "TableProgress.h"

#include <algorithm>

#include "RunContext.h"
#include "RunHost.h"

namespace engine {

void reportTableProgress(const RunContext& ctx, const std::string& table, int64_t rowsDone,
                         int64_t rowsTotal) {
    if (!ctx.host) return;
    const auto& list = ctx.TargetTableList;
    RunProgress progress;
    progress.tablesDone =
        static_cast<int>(std::find(list.begin(), list.end(), table) - list.begin());
    progress.tablesTotal = static_cast<int>(list.size());
    progress.table = table;
    progress.rowsDone = rowsDone;
    progress.rowsTotal = rowsTotal;
    ctx.host->progress(progress);
}

}  // namespace engine
