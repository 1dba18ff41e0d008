#include "RunLogFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "RunError.h"
#include "TextFile.h"
#include "core/Cp936.h"
#include "core/ProgramDir.h"
#include "core/TextError.h"

namespace engine {

namespace {
bool safeInFileName(unsigned char c) {
    if (c >= 0x80) return true;  // part of a multi-byte character
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return c != '\0' && std::strchr("-_.()[]+", c) != nullptr;
}

size_t utf8Length(unsigned char lead) {
    if ((lead >> 5) == 6) return 2;
    if ((lead >> 4) == 14) return 3;
    if ((lead >> 3) == 30) return 4;
    return 1;
}

// The log must be saved even when an error text holds a character that code page
// 936 lacks; only that character is lost.
std::string toCp936Replacing(const std::string& utf8) {
    try {
        return core::toCp936(utf8);
    } catch (const core::TextError&) {
    }
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = std::min(utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        try {
            out += core::toCp936(std::string_view(utf8).substr(i, n));
        } catch (const core::TextError&) {
            out += '?';
        }
        i += n;
    }
    return out;
}
}  // namespace

std::string logDateTimeText(const std::tm& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d-%d-%d %d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buffer;
}

std::string runLogFileName(const std::string& sourceDatabase, const std::string& targetDatabase,
                           const std::tm& local) {
    std::string name = sourceDatabase + "To" + targetDatabase + "_" + logDateTimeText(local);
    for (char& c : name) {
        if (!safeInFileName(static_cast<unsigned char>(c))) c = '_';
    }
    return name + ".log";
}

std::string saveRunLog(const std::string& programDir, const std::string& fileName,
                       const std::string& logText) {
    std::string dir = core::joinPath(programDir, "log");
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        throw RunError(dir + ": " + std::strerror(errno));
    }
    std::string path = core::joinPath(dir, fileName);
    std::string text = logText.empty() ? logText : logText + "\r\n";
    writeWholeFile(path, toCp936Replacing(text));
    return path;
}

}  // namespace engine
