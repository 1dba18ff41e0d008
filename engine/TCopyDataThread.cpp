#include "TCopyDataThread.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <optional>

#include "MigrationSteps.h"
#include "ResumeRecord.h"
#include "RunError.h"
#include "RunHost.h"
#include "RunLogFile.h"
#include "RunMessages.h"
#include "SourceStatements.h"
#include "SqlLiteral.h"
#include "TargetRunLock.h"
#include "core/TextRules.h"

namespace engine {

namespace {

using messages::kCompleted;
using messages::kFailed;
using messages::kResumeQuestion;

std::string errorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

std::tm localNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

RunOutcome TCopyDataThread::Execute() {
    RunHost& host = *ctx_.host;
    host.clearLog();
    ctx_.report = RunReport{};
    // Two runs on one target would empty each other's tables: the second is refused
    // before it changes anything.
    std::optional<TargetRunLock> lock;
    try {
        lock.emplace(*ctx_.conTarget);
    } catch (const std::exception& e) {
        host.appendLog(e.what());
        host.showMessage(core::kHintCaption, std::string(kFailed) + "\r\n" + e.what(),
                         core::MessageIcon::Warning);
        return RunOutcome::Failed;
    }
    if (!lock->held()) {
        const std::string refusal = "另一个导入作业正在处理账套[ " + ctx_.targetDatabase +
                                    " ]，本次导入没有开始。请等那个作业结束后再导入。";
        host.appendLog(refusal);
        host.showMessage(core::kHintCaption, refusal, core::MessageIcon::Warning);
        return RunOutcome::Failed;
    }
    try {
        host.setBusy(true);
        ctx_.conTarget->execute(
            "delete from am_sysparam where paramid = 9999;insert into "
            "am_sysparam(paramid,name,datavalue) "
            "select 9999,'LirToOrbit','';");
        ctx_.conTarget->execute("comment on column aa_billflow.id is 'key';");

        bool resume = false;
        ResumeRecord record(ctx_);
        std::string storedStep = record.step();
        std::string storedTable = record.table();
        if (core::compareBytes(storedStep, core::settings::kNoStep) > 0) {
            resume = host.askYesNo(core::kHintCaption, kResumeQuestion);
        }

        listTargetTables();
        if (resume) checkResumeRecord(storedStep, storedTable, ctx_.TargetTableList);
        ctx_.conTarget->execute("update pg_constraint set condeferrable = true;");
        RunScriptFile(ctx_, "sql/updatebegin.sql", false);

        RunMigrationSteps(ctx_, storedStep, storedTable, resume);

        ctx_.conTarget->execute("update pg_constraint set condeferrable = false;");
        checkConstraintsRestored();
        host.appendLog("\r重启外键完成。");

        std::string stamp = versionStamp();
        ctx_.conTarget->execute("update am_sysparam set content = " + quoteSqlLiteral(stamp) +
                                " where paramid=9999;");
    } catch (const RunInterrupted& stop) {
        // A stop is not a failure: the table under way has its triggers back (its
        // closing actions ran), and the resume state says where to pick up.
        const std::string text = stop.what();
        host.setBusy(false);
        host.appendLog(text + "\r\n");
        std::string saveError = saveLog();
        host.showMessage(core::kHintCaption, saveError.empty() ? text : text + "\r\n" + saveError,
                         core::MessageIcon::Warning);
        return RunOutcome::Interrupted;
    } catch (...) {
        std::string error = errorText(std::current_exception());
        host.setBusy(false);
        host.appendLog(error + "\r\n");
        std::string saveError = saveLog();
        host.showMessage(core::kHintCaption,
                         saveError.empty() ? kFailed : std::string(kFailed) + "\r\n" + saveError,
                         core::MessageIcon::Warning);
        return RunOutcome::Failed;
    }

    host.setBusy(false);
    // A log that cannot be saved must not keep the finished run resumable.
    std::string problems = saveLog();
    try {
        ResumeRecord(ctx_).reset();
    } catch (...) {
        std::string error = errorText(std::current_exception());
        host.appendLog(error);
        problems += (problems.empty() ? "" : "\r\n") + error;
    }
    host.appendLog("数据导入完成。");
    host.showMessage(core::kHintCaption,
                     problems.empty() ? kCompleted : std::string(kCompleted) + "\r\n" + problems,
                     core::MessageIcon::Warning);
    return RunOutcome::Completed;
}

void TCopyDataThread::listTargetTables() {
    ctx_.TargetTableList.clear();
    db::TargetQuery& q = *ctx_.qryTargetTmp;
    q.close();
    q.setText("select tablename from pg_tables where schemaname = 'public' order by tablename");
    q.open();
    for (; !q.eof(); q.next()) ctx_.TargetTableList.push_back(q.asText("tablename"));
    q.close();
    std::sort(
        ctx_.TargetTableList.begin(), ctx_.TargetTableList.end(),
        [](const std::string& a, const std::string& b) { return core::lessIgnoreCase(a, b); });
}

void TCopyDataThread::checkConstraintsRestored() {
    db::TargetQuery& q = *ctx_.qryTargetTmp;
    q.close();
    q.setText("select 1 from pg_constraint where condeferrable = 't'");
    q.open();
    bool stillDeferrable = !q.eof();
    q.close();
    if (stillDeferrable) throw RunError("重启外键失败。");
}

std::string TCopyDataThread::versionStamp() {
    std::string sourceValues;
    db::SourceQuery& source = *ctx_.qrySourceTmp;
    source.close();
    source.setText(sourcesql::kStampValues);
    source.open();
    for (; !source.eof(); source.next()) {
        if (sourceValues.empty()) {
            sourceValues = source.asText("info");
        } else {
            sourceValues += "-" + source.asText("info");
        }
    }
    source.close();

    db::TargetQuery& target = *ctx_.qryTargetTmp;
    target.close();
    target.setText(
        "select string_agg(datavalue,'-') as info from ( select datavalue from am_sysparam where "
        "paramid in (100,101,3002,3003,3025) order by paramid) m ;");
    target.open();
    std::string targetValues = target.eof() ? std::string() : target.asText("info");
    target.close();

    return "tool[" + ctx_.ToolVersionMajor + "." + ctx_.ToolVersionMinor + "]oldacc[" +
           sourceValues + "]newacc[" + targetValues + "]";
}

std::string TCopyDataThread::saveLog() {
    RunHost& host = *ctx_.host;
    try {
        saveRunLog(ctx_.programDir,
                   runLogFileName(ctx_.sourceDatabase, ctx_.targetDatabase, localNow()),
                   host.logText());
        return {};
    } catch (...) {
        std::string error = errorText(std::current_exception());
        host.appendLog(error);
        return error;
    }
}

}  // namespace engine
