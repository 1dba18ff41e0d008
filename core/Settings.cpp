#include "Settings.h"

namespace core {

std::string resumeSection(const std::string& sourceDatabase, const std::string& targetDatabase) {
    return sourceDatabase + "To" + targetDatabase;
}

std::string settingsPath(const std::string& programDir) { return programDir + "/config.ini"; }

std::string Settings::read(const SettingKey& key) const {
    return file_.readString(key.section, key.key, key.defaultValue);
}

void Settings::write(const SettingKey& key, const std::string& value) {
    file_.writeString(key.section, key.key, value);
}

bool Settings::devMode() const { return read(settings::kDev) == "T"; }

std::string Settings::historyStep(const std::string& section) const {
    return file_.readString(section, settings::kHistoryStep, settings::kNoStep);
}

std::string Settings::historyTableName(const std::string& section) const {
    return file_.readString(section, settings::kHistoryTabName, "");
}

void Settings::writeHistoryStep(const std::string& section, const std::string& code) {
    file_.writeString(section, settings::kHistoryStep, code);
}

void Settings::writeHistoryTableName(const std::string& section, const std::string& table) {
    file_.writeString(section, settings::kHistoryTabName, table);
}

}  // namespace core
