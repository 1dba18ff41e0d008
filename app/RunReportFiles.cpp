#include "RunReportFiles.h"

#include <sys/stat.h>

#include <filesystem>

#include "RunReportText.h"
#include "core/ProgramDir.h"
#include "engine/RunLogFile.h"
#include "engine/RunReportFile.h"
#include "engine/TextFile.h"

namespace app {

namespace {

std::tm localTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

// "<source>To<target>_" as runLogFileName spells it: the date and time part is
// ASCII, so the name's length tells where it starts.
std::string logNamePrefix(const std::string& source, const std::string& target) {
    std::tm any = localTime(std::time(nullptr));
    std::string name = engine::runLogFileName(source, target, any);
    return name.substr(0, name.size() - engine::logDateTimeText(any).size() - 4);
}

bool isDateTimePart(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!(c >= '0' && c <= '9') && c != '-' && c != '_') return false;
    }
    return true;
}

}  // namespace

std::string findRunLogFile(const std::string& programDir, const std::string& sourceDatabase,
                           const std::string& targetDatabase, std::time_t since) {
    namespace fs = std::filesystem;
    std::string prefix = logNamePrefix(sourceDatabase, targetDatabase);
    std::error_code error;
    fs::directory_iterator entries(core::joinPath(programDir, "log"), error);
    if (error) return {};
    std::string newest;
    std::time_t newestTime = 0;
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".log") != 0 ||
            !isDateTimePart(name.substr(prefix.size(), name.size() - prefix.size() - 4))) {
            continue;
        }
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0 || info.st_mtime < since) continue;
        if (newest.empty() || info.st_mtime > newestTime ||
            (info.st_mtime == newestTime && name > newest)) {
            newest = name;
            newestTime = info.st_mtime;
        }
    }
    return newest.empty() ? std::string()
                          : core::joinPath(core::joinPath(programDir, "log"), newest);
}

std::string saveRunReport(const std::string& programDir, const std::string& sourceDatabase,
                          const std::string& targetDatabase, std::time_t since,
                          const engine::RunReport& report) {
    std::string logPath = findRunLogFile(programDir, sourceDatabase, targetDatabase, since);
    if (logPath.empty()) {
        std::string dir = core::joinPath(programDir, "log");
        std::filesystem::create_directories(dir);
        logPath = core::joinPath(dir, engine::runLogFileName(sourceDatabase, targetDatabase,
                                                             localTime(std::time(nullptr))));
    }
    std::string stem = logPath.substr(0, logPath.size() - 4);
    engine::saveRunReportJson(stem + ".report.json", report);
    std::string textPath = stem + ".report.txt";
    engine::writeWholeFile(textPath, reportText(reportRows(report)));
    return textPath;
}

}  // namespace app
