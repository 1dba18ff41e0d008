#include "DataFileNames.h"

#include "core/TextRules.h"

namespace source {

namespace {

std::string_view directoryOf(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

std::string_view fileNameOf(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DataFileBase(std::string_view path) {
    std::string_view name = fileNameOf(path);
    auto dot = name.find('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::string ProposedAccountCode(std::string_view path) {
    std::string code = DataFileBase(path);
    auto underscore = code.find('_');
    if (core::equalsIgnoreCaseAscii(std::string_view(code).substr(0, 2), "QX") &&
        underscore != std::string::npos)
        code.erase(0, underscore + 1);
    return code;
}

std::vector<std::string> OldLogFiles(std::string_view path) {
    std::string stem = std::string(directoryOf(path)) + DataFileBase(path);
    return {stem + ".LDF", stem + "_log.LDF"};
}

}  // namespace source
