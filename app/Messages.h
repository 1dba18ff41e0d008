#pragma once

namespace app {

// Texts of the window's and the command line's message boxes (UTF-8).
namespace messages {
inline constexpr const char* kSourceServerNotSet = "数据源服务器未设置！";
inline constexpr const char* kSourcePortNotSet = "数据源端口未设置！";
inline constexpr const char* kSourceUserNotSet = "数据源用户未设置！";
inline constexpr const char* kSourcePasswordNotSet = "数据源密码未设置！";
inline constexpr const char* kSourceDatabaseNotSet = "数据源数据库未设置！";
inline constexpr const char* kTargetServerNotSet = "目标源服务器未设置！";
inline constexpr const char* kTargetPortNotSet = "目标源端口未设置！";
inline constexpr const char* kTargetUserNotSet = "目标源用户未设置！";
inline constexpr const char* kTargetPasswordNotSet = "目标源密码未设置！";
inline constexpr const char* kTargetDatabaseNotSet = "目标源数据库未设置！";

inline constexpr const char* kSourceConnectFailed = "源数据库链接失败，请检查相关设置！";
inline constexpr const char* kTargetConnectFailed = "目标数据库链接失败，请检查相关设置！";
inline constexpr const char* kSourceListConnectFailed = "数据源数据库链接失败，请检查相关设置！";
inline constexpr const char* kTargetListConnectFailed = "目标源数据库链接失败，请检查相关设置！";

// Not a failed connection: the server was reached, config.ini could not be written.
inline constexpr const char* kSettingsNotSaved = "设置文件无法保存！";

inline constexpr const char* kVersionMismatchHead = "当前升级工具为";
inline constexpr const char* kVersionMismatchTail =
    "版本,与目标账套的版本不一致！\r\n请更换目标账套或升级工具。";
inline constexpr const char* kAccountingSystem =
    "只有2006企业会计准则、2013小企业会计准则、非营利组织、政府会计制度\r\n"
    "四种会计制度才能迁移至Orbit系列财务！";
inline constexpr const char* kDuplicateDepartments =
    "源账套存在同一分支下相同的部门名称，请先调整后再次导入！";

// Before a run: "将把源账套 [S] 的数据导入目标账套 [T]，目标账套中的数据将被替换。是否继续？"
inline constexpr const char* kConfirmRunHead = "将把源账套 [";
inline constexpr const char* kConfirmRunMiddle = "] 的数据导入目标账套 [";
inline constexpr const char* kConfirmRunTail = "]，目标账套中的数据将被替换。是否继续？";
inline constexpr const char* kStopRunQuestion = "正在导入数据，是否中止？";

inline constexpr const char* kBackupFailed = "备份数据库失败：";
inline constexpr const char* kCannotCreateDirectory = "无法创建目录";
}  // namespace messages

}  // namespace app
