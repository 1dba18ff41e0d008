#pragma once

#include <optional>
#include <string>

#include "SourceFlowResult.h"
#include "TBackupFileInfo.h"
#include "Wait.h"

namespace core {
class MessageBox;
}
namespace db {
class SourceConnection;
class SourceQuery;
}  // namespace db

namespace source {

struct RestoreRequest {
    std::string archive;        // the backup archive (or the first volume of a split one)
    std::string dataDirectory;  // where the database's files go; created (one level) on Yes
    std::string code;           // the account code as typed
};

// Restoring a source account set from a backup archive of the legacy product, as
// the restore dialog and `lir2orbit-cli restore` do it: the archive is unpacked
// into "cwtemp.mdf" in the data directory and restored as "QXLirToOrbit_" + code
// with its files there. Talks to the server only through the borrowed source
// connection (open on master) and query; every message and question goes through
// `messages` (the archive component's own notices too). Runs on the caller's thread.
class RestoreFlow {
public:
    // The product version an archive must carry to be restored.
    static constexpr const char* BackupProductVersion = "QXLedgerSuite";

    RestoreFlow(db::SourceConnection& conSource, db::SourceQuery& qrySourceTmp,
                core::MessageBox& messages, Wait wait);

    // The header of a chosen archive: nullopt, after "该文件不是MSSQL版《Quoxel财务》的
    // 备份文件！", when the path holds no ".BAK" or the file is no archive. A file that
    // cannot be opened raises archive::StreamError with the system's reason.
    std::optional<TBackupFileInfo> select(const std::string& path);

    // What is checked before the operator is asked to go on: the account-code rules
    // (with the data directory) and an archive chosen. nullopt when it may go on;
    // otherwise the refusal, already shown.
    std::optional<SourceFlowResult> check(const RestoreRequest& request);

    // The restore itself, from the archive's existence to the new database. The
    // pause before each of the five attempts goes through the wait.
    SourceFlowResult restore(const RestoreRequest& request);

private:
    SourceFlowResult RestoreDatabase(const std::string& path, std::string directory,
                                     std::string code);
    SourceFlowResult RestoreFromBackupFile(const std::string& backupFile,
                                           const std::string& directory, const std::string& code);

    db::SourceConnection& conSource_;
    db::SourceQuery& qrySourceTmp_;
    core::MessageBox& messages_;
    Wait wait_;
};

}  // namespace source
