#pragma once

#include <string>

#include "RecordingHost.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "engine/RunContext.h"
#include "fixtures/AccountSets.h"

namespace enginetest {

// A fresh target account set with an open connection and a RunContext that has
// only the target side, for steps that never touch the source.
struct TargetOnly {
    explicit TargetOnly(const std::string& prefix)
        : target(prefix), qryTargetData(conTarget), qryTargetTmp(conTarget) {
        conTarget.open(target.connectionString());
        ctx.conTarget = &conTarget;
        ctx.qryTargetData = &qryTargetData;
        ctx.qryTargetTmp = &qryTargetTmp;
        ctx.targetDatabase = target.name();
        ctx.host = &host;
    }
    std::string value(const std::string& sql) const;

    fixtures::TargetAccountSet target;
    db::TargetConnection conTarget;
    db::TargetQuery qryTargetData;
    db::TargetQuery qryTargetTmp;
    RecordingHost host;
    engine::RunContext ctx;
};

}  // namespace enginetest
