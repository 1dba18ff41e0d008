#include "ResumeRecord.h"

#include "RunContext.h"

namespace engine {

ResumeRecord::ResumeRecord(const RunContext& ctx)
    : ctx_(ctx),
      settings_(core::settingsPath(ctx.programDir)),
      section_(core::resumeSection(ctx.sourceDatabase, ctx.targetDatabase)) {}

std::string ResumeRecord::step() const { return settings_.historyStep(section_); }

std::string ResumeRecord::table() const { return settings_.historyTableName(section_); }

void ResumeRecord::writeStep(const std::string& code) {
    settings_.writeHistoryStep(section_, code);
    if (ctx_.onResumeWritten) ctx_.onResumeWritten(core::settings::kHistoryStep, code);
}

void ResumeRecord::writeTable(const std::string& table) {
    settings_.writeHistoryTableName(section_, table);
    if (ctx_.onResumeWritten) ctx_.onResumeWritten(core::settings::kHistoryTabName, table);
}

void ResumeRecord::reset() {
    writeStep(core::settings::kNoStep);
    writeTable("");
}

}  // namespace engine
