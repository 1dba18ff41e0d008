#include "SourceStatements.h"

#include <string_view>

#include "SqlName.h"
#include "core/TextRules.h"

namespace engine::sourcesql {

std::string SourceSqlName(const std::string& table, const std::string& sourceTable) {
    return table.starts_with("t_") ? "[" + core::replaceAllIgnoreCase(sourceTable, "]", "]]") + "]"
                                   : sourceName(sourceTable);
}

std::string CountRows(const std::string& sourceSql) {
    return "select count(1) as cnt from " + sourceSql + " where 1=1 ";
}

std::string ColumnList(const std::string& sourceSql) {
    return "select * from " + sourceSql + " where 1<0 ";
}

std::string AllRows(const std::string& sourceSql) { return "select * from " + sourceSql; }

std::string UserKinds(const std::string& sourceTable) {
    return "select * from " + sourceTable + " where issys=0 order by kind,id";
}

// Creates the staging table when missing, empties it and numbers every source
// attachment by its identity. Pieces and their trailing blanks as the legacy
// tool sent them.
std::string StagingCommand() {
    struct Piece {
        std::string_view text;
        int blanks;
    };
    static constexpr Piece kPieces[] = {
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
    std::string sql;
    for (const Piece& piece : kPieces) {
        sql.append(piece.text);
        sql.append(static_cast<size_t>(piece.blanks), ' ');
    }
    return sql;
}

std::string AttachmentPage(std::int64_t after) {
    return "select * from p_orderattach m inner join (select top 10 billid,itemno,billtypeid from "
           "t_p_orderattach "
           "where id > " +
           std::to_string(after) +
           " order by id) d   on m.billid = d.billid and m.itemno=d.itemno and m.billtypeid = "
           "d.billtypeid";
}

}  // namespace engine::sourcesql
