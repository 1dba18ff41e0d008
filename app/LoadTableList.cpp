#include "LoadTableList.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "core/Cp936.h"

namespace app {

std::vector<std::string> loadTableList(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(errno));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        throw std::runtime_error("Cannot read file \"" + path + "\". " + std::strerror(errno));
    }
    // Editors on Windows save UTF-8 with a byte-order mark; left in, it would glue
    // itself to the first name, and that table would be copied after all.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    std::string raw = bytes.str();
    std::string text =
        raw.starts_with(kUtf8Mark) ? raw.substr(kUtf8Mark.size()) : core::fromCp936Lossy(raw);

    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        begin = end + 1;
    }
    return lines;
}

}  // namespace app
