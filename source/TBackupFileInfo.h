#pragma once

#include <string>
#include <string_view>

#include "archive/TQXProductInfo.h"
#include "archive/TSplitFileHeader.h"

namespace source {

// What the restore dialog reads from the header of a chosen backup archive (or
// of the first volume of a split one) to propose its account code. Texts are
// UTF-8, decoded from the header's code page 936.
struct TBackupFileInfo {
    std::string ArchiveId;  // the identification an archive starts with
    std::string SplitId;    // the identification every volume starts with
    std::string ProductVersion;
    std::string AccountCode;
    std::string AccountName;      // the header's account name after its first tab
    std::string FileId;           // the identification read from the file
    std::string AccountNameHead;  // the header's account name up to its first tab

    static constexpr std::string_view kArchiveId = archive::TQXProductInfo::kIdentification;
    static constexpr std::string_view kSplitId = archive::TSplitFileHeader::kIdentification;

    // Clears the fields read, then reads them from `path` (archive::BackupHeader).
    // False when the file is too short or does not carry ArchiveId. A file that cannot be opened
    // raises archive::StreamError with the system's reason.
    bool Read(const std::string& path);
};

}  // namespace source
