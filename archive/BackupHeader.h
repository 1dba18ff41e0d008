#pragma once

#include <string>

namespace archive {

class FileStream;

// What the start of a backup archive says, read without unpacking it: its
// header, found after the volume header when the file is the first volume of a
// split archive. Texts are UTF-8, decoded from code page 936. Each text is read
// as a length byte, then at most that many bytes, ending early at a zero byte; a
// length of 128 or more reads as empty. Both the restore dialog and the command
// line's `info` read headers through this one reader.
struct BackupHeader {
    bool firstVolume = false;  // the file began with a split volume's identification
    // The file held all that is looked at: 50 bytes, then 200 from the header's
    // start. A shorter file is read as far as it goes, the rest taken as zeros.
    bool complete = false;
    std::string identification;
    std::string productVersion;
    std::string accountCode;
    std::string accountName;

    // The identification is the archive's.
    bool identified() const;
    // The account name up to its first tab, and after it (the whole name when it
    // has no tab, for both).
    std::string accountNameBeforeTab() const;
    std::string accountNameAfterTab() const;

    // Reads from the start of `file`. Raises StreamError with the system's reason
    // when the file cannot be read.
    static BackupHeader Read(FileStream& file);
};

}  // namespace archive
