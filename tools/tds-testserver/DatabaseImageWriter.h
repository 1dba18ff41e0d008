#pragma once
#include <string>

#include "tds-testserver/BackupFiles.h"

namespace tdsserver {

// Makes the simulated backup sets and data files from an existing PostgreSQL
// database with pg_dump (PG_DUMP in the environment, else the newest
// /usr/lib/postgresql/*/bin/pg_dump, else pg_dump on PATH).
class DatabaseImageWriter {
public:
    // conninfo in key=value form, without dbname.
    DatabaseImageWriter(std::string conninfo, std::string database);

    // Logical names default to the database name and that name + "_log".
    void setLogicalNames(std::string data, std::string log);

    // A backup set at path whose recorded physical files lie beside it.
    void writeBackupSet(const std::string& path) const;
    // A data file at path (say X.MDF) and its log file X_log.LDF beside it.
    void writeDataFile(const std::string& path) const;

private:
    void write(const std::string& path, const ImageHeader& header) const;

    std::string conninfo_;
    std::string database_;
    std::string dataName_;
    std::string logName_;
};

}  // namespace tdsserver
