#pragma once

#include <string>

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

    static constexpr const char* kArchiveId = "QX20030412-2001-0415-QXSOFT-KTNM";
    static constexpr const char* kSplitId = "{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}";

    // Clears the fields read, then reads them from `path`. False when the file is
    // too short or does not carry ArchiveId. A file that cannot be opened raises
    // archive::StreamError with the system's reason.
    bool Read(const std::string& path);
};

}  // namespace source
