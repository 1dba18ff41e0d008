#pragma once

#include <functional>
#include <map>
#include <string>

namespace app {

// What the Start checks ask the source (the period parameters also the target).
inline constexpr const char* kAccountingSystemSql =
    "select 1 from am_sysparam a where a.paramid=201 and a.datavalue in ('12','13','15','19')";
inline constexpr const char* kDepartmentSql =
    "select 1 from l_department d group by isnull(shopid,0),name having count(1)>1";
inline constexpr const char* kPeriodSql =
    "select lower(name) as name,cast(datavalue as int) as datavalue from am_sysparam where "
    "lower(name) in ('startyear','startmonth','posyear','posmonth','curraccyear','curraccmonth') "
    "order by lower(name) ";

class Connections;

enum class StartCheckOutcome {
    Passed,   // both connections open on the chosen account sets; a run may start
    Refused,  // a field, connection, version, accounting-system or department refusal
    Failed,   // a statement failed; its text went to the run log
};

// The six period parameters of one side (startyear, startmonth, posyear, posmonth,
// curraccyear, curraccmonth), lower-case names. Read as a check that they are
// integers; nothing compares the two sides.
using PeriodParameters = std::map<std::string, long long>;

struct StartCheckResult {
    StartCheckOutcome outcome = StartCheckOutcome::Refused;
    PeriodParameters sourcePeriods;
    PeriodParameters targetPeriods;
};

// What Start does before a run, in order: the ten fields, both connections, the
// target's version against `toolVersion` ("10.11"), the source's accounting
// system and department names, the period parameters of the source and then the
// target. Every refusal is one "提示" warning box through the connections'
// MessageBox; a failing statement appends its text and "\r\n" through `appendLog`
// and shows "数据导入错误，请检查日志！". Nothing is written to either database.
StartCheckResult runStartChecks(Connections& connections, const std::string& toolVersion,
                                const std::function<void(const std::string&)>& appendLog);

}  // namespace app
