#pragma once

#include <cstdint>
#include <string>

// The statements the run sends to its SQL Server source, each built in this one
// place: the run uses them, and the test server's tests feed exactly these.
namespace engine::sourcesql {

// The source name of `table` (its legacy name `sourceTable`) as it goes into a
// statement. The editions renamed to "t_..." exactly the tables whose legacy
// names are reserved words (order, ...): bare, "from order" is a syntax error
// and the table would pass for absent. Any other name is quoted as sourceName
// does.
std::string SourceSqlName(const std::string& table, const std::string& sourceTable);

std::string CountRows(const std::string& sourceSql);
std::string ColumnList(const std::string& sourceSql);
std::string AllRows(const std::string& sourceSql);
std::string UserKinds(const std::string& sourceTable);

// The staging table of the order attachments: created when missing, emptied,
// and filled with every attachment numbered by its identity; dropped around.
std::string StagingCommand();
inline constexpr const char* kDropStaging = "drop table t_p_orderattach";
// Ten staging rows above `after`, lowest ids first, joined to their attachments.
std::string AttachmentPage(std::int64_t after);

inline constexpr const char* kApprovalCondition =
    "select 1 from am_sysparam m where m.name = 'erpandoapapproval' and m.datavalue = '1'";
inline constexpr const char* kPositionTable =
    "select 0 as selected, m.name as tablename from sysobjects m where m.xtype = 'U' and "
    "lower(m.name) = 'o_position'";
inline constexpr const char* kStampValues =
    "select datavalue as info from am_sysparam where paramid in (100,101,3002,3003,3025) order by "
    "paramid";

}  // namespace engine::sourcesql
