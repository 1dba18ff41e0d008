#include "RunEnvironment.h"

#include "core/Settings.h"
#include "support/TdsTestServer.h"

namespace enginetest {

RunEnvironment::RunEnvironment(const std::string& prefix, int sourceRows,
                               const support::TdsTestServer& server)
    : target(prefix + "_t"),
      source(prefix + "_s", sourceRows),
      qrySourceData(conSource),
      qrySourceTmp(conSource),
      qryTargetData(conTarget),
      qryTargetTmp(conTarget) {
    conSource.open(source.connectionString(server));
    conTarget.open(target.connectionString());
    ctx.lendConnections(conSource, conTarget, qrySourceData, qrySourceTmp, qryTargetData,
                        qryTargetTmp);
    ctx.sourceDatabase = source.name();
    ctx.targetDatabase = target.name();
    ctx.programDir = home.path();
    ctx.host = &host;
    ctx.onResumeWritten = [this](const std::string& key, const std::string& value) {
        resumeWrites.emplace_back(key, value);
    };
}

std::string RunEnvironment::section() const {
    return core::resumeSection(ctx.sourceDatabase, ctx.targetDatabase);
}

core::Settings RunEnvironment::settings() const {
    return core::Settings(core::settingsPath(home.path()));
}

void RunEnvironment::storeResume(const std::string& step, const std::string& table) {
    core::Settings s = settings();
    s.writeHistoryStep(section(), step);
    s.writeHistoryTableName(section(), table);
}

std::vector<std::string> RunEnvironment::stepWrites() const {
    std::vector<std::string> steps;
    for (const auto& [key, value] : resumeWrites) {
        if (key == core::settings::kHistoryStep) steps.push_back(value);
    }
    return steps;
}

}  // namespace enginetest
