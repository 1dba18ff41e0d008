#pragma once
#include <iosfwd>
#include <string>

namespace tdsserver {

// The simulated SQL Server files. Each is a text header, an empty line and,
// for backup sets and data files, a plain-format PostgreSQL dump of the database:
//
//   LIR2ORBIT BACKUP SET 1             (or: LIR2ORBIT DATA FILE 1)
//   data<TAB>logical name<TAB>physical path
//   log<TAB>logical name<TAB>physical path
//   <empty line>
//   <pg_dump --format=plain script>
//
// A log file is only "LIR2ORBIT LOG FILE 1" and "database<TAB>name". In a backup
// set the physical paths are where the files lived when it was made; in a data
// file they are where the file and its log file belong.
struct DatabaseFile {
    std::string logicalName;
    std::string physicalPath;
};

enum class ImageKind { BackupSet, DataFile };

struct ImageHeader {
    ImageKind kind = ImageKind::BackupSet;
    DatabaseFile data;
    DatabaseFile log;
};

class BackupFiles {
public:
    static constexpr const char* BackupSetMagic = "LIR2ORBIT BACKUP SET 1";
    static constexpr const char* DataFileMagic = "LIR2ORBIT DATA FILE 1";
    static constexpr const char* LogFileMagic = "LIR2ORBIT LOG FILE 1";

    // Reads the header and leaves in positioned at the script. Throws
    // std::runtime_error when the file is not of the expected kind.
    static ImageHeader readHeader(std::istream& in, ImageKind expected);
    static void writeHeader(std::ostream& out, const ImageHeader& header);
    // Writes a log file; throws std::system_error when it cannot.
    static void writeLogFile(const std::string& path, const std::string& database);
};

}  // namespace tdsserver
