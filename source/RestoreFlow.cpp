#include "RestoreFlow.h"

#include <filesystem>
#include <stdexcept>

#include "AccountCode.h"
#include "SqlText.h"
#include "archive/TQXZip.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"

namespace source {

namespace {

constexpr int kRestoreAttempts = 5;
constexpr int kPauseBeforeAttemptMs = 5000;
constexpr const char* kTemporaryBackupSet = "cwtemp.mdf";

bool exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

}  // namespace

RestoreFlow::RestoreFlow(db::SourceConnection& conSource, db::SourceQuery& qrySourceTmp,
                         core::MessageBox& messages, Wait wait)
    : conSource_(conSource),
      qrySourceTmp_(qrySourceTmp),
      messages_(messages),
      wait_(std::move(wait)) {}

std::optional<TBackupFileInfo> RestoreFlow::select(const std::string& path) {
    TBackupFileInfo info;
    info.ArchiveId = TBackupFileInfo::kArchiveId;
    info.SplitId = TBackupFileInfo::kSplitId;
    if (path.find(".BAK") != std::string::npos && info.Read(path)) return info;
    messages_.show(core::kHintCaption, "该文件不是MSSQL版《Quoxel财务》的备份文件！",
                   core::MessageIcon::Warning, core::MessageButtons::Ok);
    return std::nullopt;
}

std::optional<SourceFlowResult> RestoreFlow::check(const RestoreRequest& request) {
    if (auto refusal = CheckAccountCode(request.code, request.dataDirectory)) {
        messages_.show(core::kHintCaption, refusal->message, core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused(refusal->field == AccountCodeField::DataDirectory
                                             ? SourceFlowField::DataDirectory
                                             : SourceFlowField::AccountCode);
    }
    if (core::trimBlanks(request.archive).empty()) {
        messages_.show(core::kHintCaption, "请选择备份文件！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused();
    }
    return std::nullopt;
}

SourceFlowResult RestoreFlow::restore(const RestoreRequest& request) {
    try {
        return RestoreDatabase(request.archive, core::trimBlanks(request.dataDirectory),
                               core::trimBlanks(request.code));
    } catch (const std::exception& error) {
        messages_.show(core::kHintCaption, "恢复账套失败！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return SourceFlowResult::failed(error.what());
    }
}

SourceFlowResult RestoreFlow::RestoreDatabase(const std::string& path, std::string directory,
                                              std::string code) {
    if (!exists(path)) {
        messages_.show("错误", "备份文件不存在!", core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return SourceFlowResult::failed();
    }
    if (!exists(directory)) {
        if (messages_.show(core::kHintCaption, "数据目录不存在,是否创建？",
                           core::MessageIcon::Information,
                           core::MessageButtons::YesNo) != core::MessageAnswer::Yes)
            return SourceFlowResult::failed();
        std::error_code failed;
        // One level only: a missing parent is the operator's mistake, not ours to make.
        if (!std::filesystem::create_directory(directory, failed) || failed) {
            messages_.show("错误", "创建指定的数据目录失败!", core::MessageIcon::Error,
                           core::MessageButtons::Ok);
            return SourceFlowResult::failed(directory + ": " + failed.message());
        }
    }
    if (directory.back() != '/') directory += '/';
    code = core::trimBlanks(code);
    if (SourceDatabaseExists(qrySourceTmp_, code)) {
        messages_.show(core::kHintCaption, kNameTakenMessage, core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return SourceFlowResult::refused(SourceFlowField::AccountCode);
    }
    std::string backupSet = directory + kTemporaryBackupSet;
    bool unzipped = false;
    archive::TQXZip zip(messages_);
    try {
        if (exists(backupSet)) std::filesystem::remove(backupSet);
        unzipped = zip.UnZip(path, backupSet, BackupProductVersion);
    } catch (const std::exception& error) {
        messages_.show(core::kHintCaption, "解压缩时出错!", core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return SourceFlowResult::failed(error.what());
    }
    // The component has said why when it wrote nothing; a backup set it did not
    // finish is not restored either.
    if (!unzipped || !exists(backupSet)) return SourceFlowResult::failed(zip.FailureReason());
    SourceFlowResult restored = RestoreFromBackupFile(backupSet, directory, code);
    if (restored.status != SourceFlowStatus::Done) return restored;
    std::error_code ignored;
    std::filesystem::remove(backupSet, ignored);
    return restored;
}

SourceFlowResult RestoreFlow::RestoreFromBackupFile(const std::string& backupFile,
                                                    const std::string& directory,
                                                    const std::string& code) {
    const std::string name = SourceDatabaseName(code);
    db::SourceQuery& query = qrySourceTmp_;
    query.close();
    query.setText(FileListSql(backupFile));
    query.open();
    if (query.eof()) throw std::runtime_error("the backup set lists no files");
    const std::string dataFile = query.value(0).toText();
    query.next();
    const std::optional<std::string> logFile =
        query.eof() ? std::nullopt : std::optional<std::string>(query.value(0).toText());
    const std::string statement = RestoreSql(name, backupFile, directory, dataFile, logFile);
    for (int attempt = 1;; ++attempt) {
        wait_(kPauseBeforeAttemptMs);
        try {
            conSource_.execute(statement);
            break;
        } catch (const std::exception& error) {
            if (attempt < kRestoreAttempts) continue;
            messages_.show(core::kHintCaption, "恢复时,创建帐套数据库失败! 请检查磁盘是否足够!",
                           core::MessageIcon::Error, core::MessageButtons::Ok);
            query.close();
            return SourceFlowResult::failed(error.what());
        }
    }
    query.close();
    return SourceFlowResult::done(name);
}

}  // namespace source
