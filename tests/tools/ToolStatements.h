#pragma once
#include <string>

// The statements the tool sends to its SQL Server source, built exactly as the
// tool builds them, shared by the rewriting and the end-to-end tests.
namespace toolsql {

inline const std::string SourceDatabaseList =
    "select name as name from sysdatabases where dbid>4 and lower(name) like 'qx%_' order by name";
inline const std::string AccountingSystem =
    "select 1 from am_sysparam a where a.paramid=201 and a.datavalue in ('12','13','15','19')";
inline const std::string DuplicateDepartments =
    "select 1 from l_department d group by isnull(shopid,0),name having count(1)>1";
inline const std::string PeriodParameters =
    "select lower(name) as name,cast(datavalue as int) as datavalue from am_sysparam where "
    "lower(name) in "
    "('startyear','startmonth','posyear','posmonth','curraccyear','curraccmonth') order by "
    "lower(name) ";
inline const std::string VersionValues =
    "select datavalue as info from am_sysparam where paramid in (100,101,3002,3003,3025) order by "
    "paramid";
inline const std::string ApprovalCondition =
    "select 1 from am_sysparam m where m.name = 'erpandoapapproval' and m.datavalue = '1'";
inline const std::string PositionTable =
    "select 0 as selected, m.name as tablename from sysobjects m where m.xtype = "
    "'U' and lower(m.name) = 'o_position'";
inline const std::string DropStaging = "drop table t_p_orderattach";

inline std::string countRows(const std::string& s) {
    return "select count(1) as cnt from " + s + " where 1=1 ";
}
inline std::string columnList(const std::string& s) { return "select * from " + s + " where 1<0 "; }
inline std::string allRows(const std::string& s) { return "select * from " + s; }
inline std::string userKinds(const std::string& s) {
    return "select * from " + s + " where issys=0 order by kind,id";
}

inline std::string stagingCommand() {
    struct Piece {
        const char* text;
        int blanks;
    };
    static const Piece pieces[] = {
        {"if not exists(select 1 from sys.columns where "
         "[object_id]=object_id(N't_p_orderattach'))begin",
         85},
        {"create table [dbo].[t_p_orderattach](", 53},
        {"[id] [int] identity(1,1) not null,", 54},
        {"[billid] [int] not null,", 64},
        {"[itemno] [int] not null,", 64},
        {"[billtypeid] [int] not null,", 61},
        {"constraint [pk_t_p_orderattach] primary key clustered", 35},
        {"(", 82},
        {"\t", 5},
        {"[id] asc", 78},
        {")with (pad_index = off, statistics_norecompute = off, ignore_dup_key = off, "
         "allow_row_locks = on, "
         "allow_page_locks = on) on [primary])   on [primary]",
         122},
        {"end;", 134},
        {"delete from t_p_orderattach;", 110},
        {"insert into t_p_orderattach(billid,itemno,billtypeid)", 85},
        {"select billid,itemno,billtypeid from p_orderattach;", 87},
    };
    std::string text;
    for (const Piece& p : pieces) text += std::string(p.text) + std::string(p.blanks, ' ');
    return text;
}

inline std::string attachmentPage(int k) {
    return "select * from p_orderattach m inner join (select top 10 billid,itemno,billtypeid from "
           "t_p_orderattach "
           "where id > " +
           std::to_string(k) +
           ") d   on m.billid = d.billid and m.itemno=d.itemno and m.billtypeid = d.billtypeid";
}

inline std::string nameTaken(const std::string& code) {
    return "select 1 from sysdatabases where dbid>4 and lower(name) = lower('QXLirToOrbit_" + code +
           "')";
}

inline std::string fileList(const std::string& backupFile) {
    return "RESTORE FILELISTONLY FROM disk = '" + backupFile + "'";
}

inline std::string restore(const std::string& name, const std::string& backupFile,
                           const std::string& dataName, const std::string& logName,
                           const std::string& directory) {
    return "Restore Database " + name + " from disk = '" + backupFile +
           "' with replace, \n Move '" + dataName + "' To '" + directory + name + ".mdf'" +
           "\n ,Move '" + logName + "' To '" + directory + name + ".ldf'";
}

inline std::string attach(const std::string& code, const std::string& dataFile) {
    return "Exec sp_attach_single_file_db @dbname ='QXLirToOrbit_" + code + "',@physname = '" +
           dataFile + "'";
}

}  // namespace toolsql
