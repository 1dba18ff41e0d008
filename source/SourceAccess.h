#pragma once

#include <functional>

#include "db/SourceConnection.h"
#include "db/SourceQuery.h"

namespace source {

// What the restore and import dialogs borrow from the main window for one button
// press: the source connection, the source temporary query, and the window's own
// "open the source connection on master" (which builds the string from the
// trimmed source fields, saves the settings after connecting, and shows
// "数据源数据库链接失败，请检查相关设置！" itself when it fails).
struct SourceAccess {
    db::SourceConnection& conSource;
    db::SourceQuery& qrySourceTmp;
    std::function<bool()> openMaster;  // false when the connection could not be opened
};

}  // namespace source
