#include "StartChecks.h"

#include <exception>

#include "Connections.h"
#include "Messages.h"
#include "core/TextRules.h"
#include "engine/RunMessages.h"

namespace app {

namespace {

constexpr const char* kVersionSql =
    "select string_agg(datavalue,'.') as info from ( select datavalue from am_sysparam where "
    "paramid in (100,101) order by paramid) m ";

constexpr const char* kPeriodNames[] = {"startyear", "startmonth",  "posyear",
                                        "posmonth",  "curraccyear", "curraccmonth"};

void warn(Connections& c, const std::string& text) {
    c.messages().show(core::kHintCaption, text, core::MessageIcon::Warning,
                      core::MessageButtons::Ok);
}

bool fieldsFilled(Connections& c) {
    namespace m = messages;
    struct Check {
        const std::string& text;
        const char* message;
    };
    const SideFields& s = c.source();
    const SideFields& t = c.target();
    const Check checks[] = {
        {s.server, m::kSourceServerNotSet},     {s.port, m::kSourcePortNotSet},
        {s.user, m::kSourceUserNotSet},         {s.password, m::kSourcePasswordNotSet},
        {s.database, m::kSourceDatabaseNotSet}, {t.server, m::kTargetServerNotSet},
        {t.port, m::kTargetPortNotSet},         {t.user, m::kTargetUserNotSet},
        {t.password, m::kTargetPasswordNotSet}, {t.database, m::kTargetDatabaseNotSet},
    };
    for (const auto& check : checks) {
        if (core::trimBlanks(check.text).empty()) {
            warn(c, check.message);
            return false;
        }
    }
    return true;
}

template <typename Query>
PeriodParameters readPeriods(Query& query) {
    PeriodParameters periods;
    query.setText(kPeriodSql);
    query.open();
    for (; !query.eof(); query.next()) {
        std::string name = query.asText("name");
        for (const char* wanted : kPeriodNames) {
            if (name == wanted) periods[name] = query.asInteger("datavalue");
        }
    }
    query.close();
    return periods;
}

}  // namespace

StartCheckResult runStartChecks(Connections& c, const std::string& toolVersion,
                                const std::function<void(const std::string&)>& appendLog) {
    StartCheckResult result;
    if (!fieldsFilled(c)) return result;
    if (!c.openSource(c.source().database, messages::kSourceConnectFailed)) return result;
    if (!c.openTarget(c.target().database, messages::kTargetConnectFailed)) return result;

    try {
        db::TargetQuery& target = c.qryTargetTmp;
        db::SourceQuery& source = c.qrySourceTmp;

        target.setText(kVersionSql);
        target.open();
        bool versionMatches = !target.eof() && !target.fieldByName("info").isNull() &&
                              target.asText("info") == toolVersion;
        target.close();
        if (!versionMatches) {
            warn(c, std::string(messages::kVersionMismatchHead) + toolVersion +
                        messages::kVersionMismatchTail);
            return result;
        }

        source.setText(kAccountingSystemSql);
        source.open();
        bool accepted = !source.eof();
        source.close();
        if (!accepted) {
            warn(c, messages::kAccountingSystem);
            return result;
        }

        source.setText(kDepartmentSql);
        source.open();
        bool duplicates = !source.eof();
        source.close();
        if (duplicates) {
            warn(c, messages::kDuplicateDepartments);
            return result;
        }

        result.sourcePeriods = readPeriods(source);
        result.targetPeriods = readPeriods(target);
    } catch (const std::exception& e) {
        c.qrySourceTmp.close();
        c.qryTargetTmp.close();
        appendLog(std::string(e.what()) + "\r\n");
        warn(c, engine::messages::kFailed);
        result.outcome = StartCheckOutcome::Failed;
        return result;
    }
    result.outcome = StartCheckOutcome::Passed;
    return result;
}

}  // namespace app
