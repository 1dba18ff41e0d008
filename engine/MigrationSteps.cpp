#include "MigrationSteps.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "DoneSteps.h"
#include "RepairSteps.h"
#include "ResumeRecord.h"
#include "RunContext.h"
#include "RunError.h"
#include "RunHost.h"
#include "RunReportLog.h"
#include "SourceStatements.h"
#include "StopRequest.h"
#include "TableImport.h"
#include "TextFile.h"
#include "core/ProgramDir.h"
#include "core/TextRules.h"

namespace engine {

namespace {

class StepSequence {
public:
    StepSequence(RunContext& ctx, const std::string& storedStep, bool resume)
        : ctx_(ctx), record_(ctx), storedStep_(storedStep), resume_(resume), done_(ctx, !resume) {}

    bool passes(const char* code) const { return stepPasses(code, storedStep_, resume_); }

    void begin(const char* code, bool clearTable = true) {
        throwIfStopRequested(ctx_);
        record_.writeStep(code);
        if (clearTable) record_.writeTable("");
    }

    void log(const char* text) { ctx_.host->appendLog(text); }

    // Runs the step when its guard passes: records it, then does its work.
    template <typename Work>
    void step(const char* code, Work&& work) {
        if (!passes(code)) return;
        begin(code);
        work();
    }

    // A repair step: its statements and the record that it is done commit together,
    // and a resumed run passes over a step so recorded. Its log lines follow the
    // commit, so the log never reports a repair that was rolled back.
    void repair(const char* code, std::initializer_list<std::function<void()>> halves,
                std::initializer_list<const char*> doneLines) {
        step(code, [&] {
            if (!done_.contains(code)) {
                done_.run(code, [&] {
                    for (const auto& half : halves) half();
                });
            }
            for (const char* line : doneLines) log(line);
        });
    }

    void script(const char* code, const char* file, const char* doneLine) {
        step(code, [&] {
            RunScriptFile(ctx_, file, false);
            log(doneLine);
        });
    }

    // Step "97" goes on only when the source does not approve and the target does.
    bool approvalWanted() {
        db::SourceQuery& source = *ctx_.qrySourceTmp;
        source.close();
        source.setText(sourcesql::kApprovalCondition);
        source.open();
        bool sourceApproves = !source.eof();
        source.close();
        db::TargetQuery& target = *ctx_.qryTargetTmp;
        target.close();
        target.setText(sourcesql::kApprovalCondition);
        target.open();
        bool targetApproves = !target.eof();
        target.close();
        return !sourceApproves && targetApproves;
    }

private:
    RunContext& ctx_;
    ResumeRecord record_;
    std::string storedStep_;
    bool resume_;
    DoneSteps done_;
};

// One line per table of the run report, in the run log after the table import.
void logReport(RunContext& ctx) {
    ctx.host->appendLog("\r\n表数据核对结果：");
    for (const TableResult& table : ctx.report.tables) ctx.host->appendLog(reportLogLine(table));
}

}  // namespace

void checkResumeRecord(const std::string& storedStep, const std::string& storedTable,
                       const std::vector<std::string>& tables) {
    static const char* const kCodes[] = {"11", "12", "13", "14", "15", "19",
                                         "20", "21", "22", "97", "98"};
    bool known = false;
    for (const char* code : kCodes) known = known || storedStep == code;
    if (!known) {
        throw RunError("导入记录无效：步骤[ " + storedStep +
                       " ]不是导入作业的步骤。请选择不继续，重新开始导入。");
    }
    if (storedStep == "11" && !storedTable.empty() &&
        std::find(tables.begin(), tables.end(), storedTable) == tables.end()) {
        throw RunError("导入记录无效：表[ " + storedTable +
                       " ]不在目标账套的表中。请选择不继续，重新开始导入。");
    }
}

bool stepPasses(const std::string& code, const std::string& storedStep, bool resume) {
    return !resume || core::compareBytes(storedStep, code) <= 0;
}

void RunScriptFile(RunContext& ctx, const std::string& fileName, bool skipWhenEmpty,
                   const std::string& announce) {
    ctx.qryTargetTmp->close();
    std::string text = scriptText(readWholeFile(core::joinPath(ctx.programDir, fileName)));
    if (skipWhenEmpty) {
        if (text.empty()) return;
        if (!announce.empty()) ctx.host->appendLog(announce);
    }
    ctx.conTarget->execute(text);
}

void RunMigrationSteps(RunContext& ctx, const std::string& storedStep,
                       const std::string& storedTable, bool resume) {
    ctx.host->clearLog();
    StepSequence s(ctx, storedStep, resume);

    if (s.passes("11")) {
        // The import keeps the stored table name: it is where a resumed import restarts.
        s.begin("11", false);
        s.log("开始导入表数据。");
        ImportTables(ctx, ResumeState{resume, storedStep, storedTable});
        s.log("\r\n表数据导入完成。");
        logReport(ctx);
    }
    s.step("12", [] {});
    s.repair("13", {[&] { RepairContacts(ctx); }}, {"\r\n修复联系人相关数据完成。"});
    s.repair("14", {[&] { RepairAccountSettings(ctx); }, [&] { RepairMasterData(ctx); }},
             {"\r\n修复帐套设置完成。", "\r\n修复资料数据完成。"});
    s.repair("15", {[&] { RepairEmployeeDuties(ctx); }}, {"\r\n修复员工职务数据完成。"});
    s.repair("19", {[&] { RepairFixedAssetInitData(ctx); }}, {"\r\n修复固定资产初始化数据完成。"});
    s.script("20", "sql/updatewgitemdata.sql", "\r\n修复工资项目及类别数据完成。");
    s.script("21", "sql/updatecreditemdata.sql", "\r\n修复财务初始化数据完成。");
    s.script("22", "sql/updatetreedata.sql", "\r\n修复树型结构资料数据完成。");
    if (s.passes("97") && s.approvalWanted()) {
        s.begin("97");
        RunScriptFile(ctx, "sql/updateapproved.sql", true, "\r\n正在修复审批数据。");
    }
    s.step("98",
           [&] { RunScriptFile(ctx, "sql/updateend.sql", true, "\r\n正在做最后的数据修复。"); });
}

}  // namespace engine
