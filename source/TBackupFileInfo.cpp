#include "TBackupFileInfo.h"

#include "archive/ArchiveError.h"
#include "archive/BackupHeader.h"
#include "archive/FileStream.h"

namespace source {

bool TBackupFileInfo::Read(const std::string& path) {
    // Opened outside the handling below: a file that cannot be opened raises
    // with the system's reason instead of reading as no archive.
    archive::FileStream file(path, archive::FileMode::OpenRead);
    ProductVersion.clear();
    AccountCode.clear();
    AccountName.clear();
    FileId.clear();
    AccountNameHead.clear();
    archive::BackupHeader header;
    try {
        header = archive::BackupHeader::Read(file);
    } catch (const archive::ArchiveError&) {
        return false;
    }
    if (!header.complete) return false;
    FileId = header.identification;
    if (FileId != ArchiveId) return false;
    ProductVersion = header.productVersion;
    AccountCode = header.accountCode;
    AccountNameHead = header.accountNameBeforeTab();
    AccountName = header.accountNameAfterTab();
    return true;
}

}  // namespace source
