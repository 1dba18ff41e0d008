#include "tds-testserver/BackupFiles.h"

#include <cerrno>
#include <fstream>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <system_error>

namespace tdsserver {
namespace {

DatabaseFile parseFileLine(const std::string& line, const std::string& key) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos || line.substr(0, tab1) != key)
        throw std::runtime_error("bad " + key + " line");
    return {line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
}

}  // namespace

ImageHeader BackupFiles::readHeader(std::istream& in, ImageKind expected) {
    std::string magic, dataLine, logLine, blank;
    std::getline(in, magic);
    const char* wanted = expected == ImageKind::BackupSet ? BackupSetMagic : DataFileMagic;
    if (!in || magic != wanted) throw std::runtime_error("not a file of this kind");
    std::getline(in, dataLine);
    std::getline(in, logLine);
    std::getline(in, blank);
    if (!in || !blank.empty()) throw std::runtime_error("truncated header");
    ImageHeader header;
    header.kind = expected;
    header.data = parseFileLine(dataLine, "data");
    header.log = parseFileLine(logLine, "log");
    return header;
}

void BackupFiles::writeHeader(std::ostream& out, const ImageHeader& header) {
    out << (header.kind == ImageKind::BackupSet ? BackupSetMagic : DataFileMagic) << '\n'
        << "data\t" << header.data.logicalName << '\t' << header.data.physicalPath << '\n'
        << "log\t" << header.log.logicalName << '\t' << header.log.physicalPath << '\n'
        << '\n';
}

void BackupFiles::writeLogFile(const std::string& path, const std::string& database) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::system_error(errno, std::generic_category(), path);
    out << LogFileMagic << '\n' << "database\t" << database << '\n';
    out.close();
    if (!out) throw std::system_error(errno, std::generic_category(), path);
}

}  // namespace tdsserver
