#include "ProgramDir.h"

#include <unistd.h>

#include <climits>

namespace core {

std::string executableDir() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string joinPath(const std::string& dir, const std::string& relative) {
    if (dir.empty()) return relative;
    if (dir.back() == '/') return dir + relative;
    return dir + "/" + relative;
}

}  // namespace core
