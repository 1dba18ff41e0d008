#pragma once

#include <string>

#include "IniFile.h"

namespace core {

// Every section, key and default of config.ini, declared in one place.
struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultValue;
};

namespace settings {
inline constexpr SettingKey kDev{"QX", "Dev", "F"};
inline constexpr SettingKey kSourceServer{"SOURCECONFIG", "SQLIP", "127.0.0.1"};
inline constexpr SettingKey kSourcePort{"SOURCECONFIG", "SQLPort", "1433"};
inline constexpr SettingKey kSourceUser{"SOURCECONFIG", "SQLUser", "sa"};
inline constexpr SettingKey kSourcePassword{"SOURCECONFIG", "SQLPW", ""};
inline constexpr SettingKey kTargetServer{"TARGETCONFIG", "SQLIP", "127.0.0.1"};
inline constexpr SettingKey kTargetPort{"TARGETCONFIG", "SQLPort", "5432"};
inline constexpr SettingKey kTargetUser{"TARGETCONFIG", "SQLUser", "postgres"};
inline constexpr SettingKey kTargetPassword{"TARGETCONFIG", "SQLPW", ""};
// Keys of a resume section; the section is named by resumeSection().
inline constexpr const char* kHistoryStep = "HistoryStep";
inline constexpr const char* kHistoryTabName = "HistoryTabName";
inline constexpr const char* kNoStep = "00";
}  // namespace settings

// The resume section of a source/target pair: the two database field texts as
// typed, joined by "To" (qxacc01 + qxnew01 -> qxacc01Toqxnew01).
std::string resumeSection(const std::string& sourceDatabase, const std::string& targetDatabase);

// config.ini in the program directory; `programDir` has no trailing separator.
std::string settingsPath(const std::string& programDir);

// Typed access to config.ini. Holds only the path: every call opens and closes the file.
class Settings {
public:
    explicit Settings(std::string path) : file_(std::move(path)) {}

    const std::string& path() const { return file_.path(); }
    std::string read(const SettingKey& key) const;
    void write(const SettingKey& key, const std::string& value);

    bool devMode() const;  // "Dev" exactly "T"

    std::string historyStep(const std::string& section) const;
    std::string historyTableName(const std::string& section) const;
    void writeHistoryStep(const std::string& section, const std::string& code);
    void writeHistoryTableName(const std::string& section, const std::string& table);

private:
    IniFile file_;
};

}  // namespace core
