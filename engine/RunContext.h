#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "TableResult.h"
#include "core/ToolVersion.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {

class RunHost;

// Everything a run uses, handed over by the front end that starts it. The
// connections are open on the chosen account sets; connections, queries and the
// host are borrowed and must outlive the run. During a run only the run uses them.
struct RunContext {
    db::SourceConnection* conSource = nullptr;
    db::TargetConnection* conTarget = nullptr;
    db::SourceQuery* qrySourceData = nullptr;
    db::SourceQuery* qrySourceTmp = nullptr;
    db::TargetQuery* qryTargetData = nullptr;
    db::TargetQuery* qryTargetTmp = nullptr;

    // The database field texts exactly as typed (they name the resume section and
    // the log file).
    std::string sourceDatabase;
    std::string targetDatabase;

    std::vector<std::string> LoadTableList;    // lines of loadtable.txt
    std::vector<std::string> TargetTableList;  // filled and sorted by the run

    // config.ini, sql/ and log/ live here; no trailing separator.
    std::string programDir;
    bool DevMode = false;
    std::string ToolVersionMajor = core::kToolVersionMajor;
    std::string ToolVersionMinor = core::kToolVersionMinor;

    RunHost* host = nullptr;

    // Every copied table is read back and compared with what was sent. Off only to
    // measure what the check costs.
    bool verifyCopies = true;

    // Set by a front end (another thread, or a signal handler) to stop the run at
    // its next safe point: between batches and between tables and steps. The run
    // then ends as RunOutcome::Interrupted with its resume state kept. May be null.
    const std::atomic<bool>* stopRequested = nullptr;

    // Filled by the run: one entry per table visited. Read it after Execute().
    RunReport report;

    // Told after every write of the resume state ("HistoryStep" or "HistoryTabName"
    // and the value written), on the run's thread; may be empty. Lets a front end
    // show where the run stands.
    std::function<void(const std::string& key, const std::string& value)> onResumeWritten;

    // Lends the two open connections and the queries on them to the run.
    void lendConnections(db::SourceConnection& source, db::TargetConnection& target,
                         db::SourceQuery& sourceData, db::SourceQuery& sourceTmp,
                         db::TargetQuery& targetData, db::TargetQuery& targetTmp) {
        conSource = &source;
        conTarget = &target;
        qrySourceData = &sourceData;
        qrySourceTmp = &sourceTmp;
        qryTargetData = &targetData;
        qryTargetTmp = &targetTmp;
    }
};

}  // namespace engine
