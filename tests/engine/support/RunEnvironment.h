#pragma once

#include <string>
#include <utility>
#include <vector>

#include "RecordingHost.h"
#include "core/Settings.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "engine/RunContext.h"
#include "fixtures/AccountSets.h"
#include "fixtures/ProgramDirectory.h"

namespace support {
class TdsTestServer;
}

namespace enginetest {

// Everything one run needs, built on the suite's servers: a fresh target account
// set, a generated source account set of `sourceRows` served by `server`, a
// program directory with the sample scripts, open connections and queries, a
// RecordingHost and a RunContext wired to all of them. Every write of the resume
// state is recorded in `resumeWrites`.
class RunEnvironment {
public:
    RunEnvironment(const std::string& prefix, int sourceRows, const support::TdsTestServer& server);

    // The run's resume section of config.ini.
    std::string section() const;
    core::Settings settings() const;
    // Writes a resume state as an earlier run would have left it.
    void storeResume(const std::string& step, const std::string& table);

    // The step codes written, in order.
    std::vector<std::string> stepWrites() const;

    fixtures::TargetAccountSet target;
    fixtures::SourceAccountSet source;
    fixtures::ProgramDirectory home;
    db::SourceConnection conSource;
    db::TargetConnection conTarget;
    db::SourceQuery qrySourceData;
    db::SourceQuery qrySourceTmp;
    db::TargetQuery qryTargetData;
    db::TargetQuery qryTargetTmp;
    RecordingHost host;
    engine::RunContext ctx;
    std::vector<std::pair<std::string, std::string>> resumeWrites;
};

}  // namespace enginetest
