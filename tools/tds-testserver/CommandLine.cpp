#include "tds-testserver/CommandLine.h"

#include <stdexcept>

#include "tds-testserver/Login7.h"

namespace tdsserver {
namespace {

std::uint32_t parseTdsVersion(const std::string& value) {
    if (value == "7.1") return tds_version::V7_1;
    if (value == "7.2") return tds_version::V7_2;
    if (value == "7.3") return tds_version::V7_3B;
    if (value == "7.4") return tds_version::V7_4;
    throw std::invalid_argument("bad TDS version " + value + " (7.1, 7.2, 7.3 or 7.4)");
}

EncryptMode parseEncryptMode(const std::string& value) {
    if (value == "off") return EncryptMode::Off;
    if (value == "login") return EncryptMode::Login;
    if (value == "required") return EncryptMode::Required;
    throw std::invalid_argument("bad encryption mode " + value + " (off, login or required)");
}

}  // namespace

const char* CommandLine::usage() {
    return "usage: tds-testserver --port N --postgres CONNINFO [--user NAME --password PW]\n"
           "                      [--tds-version 7.1|7.2|7.3|7.4] [--encrypt off|login|required]\n"
           "                      [--certificate CERT.pem --key KEY.pem]\n"
           "       tds-testserver --postgres CONNINFO --database D --write-backup-set FILE\n"
           "                      [--data-name LOGICAL --log-name LOGICAL]\n"
           "       tds-testserver --postgres CONNINFO --database D --write-data-file FILE.MDF\n"
           "                      [--data-name LOGICAL --log-name LOGICAL]\n";
}

CommandLine CommandLine::parse(const std::vector<std::string>& args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& key = args[i];
        if (i + 1 >= args.size()) throw std::invalid_argument(key + " needs a value\n" + usage());
        const std::string& value = args[++i];
        if (key == "--port") {
            std::size_t used = 0;
            int port = -1;
            try {
                port = std::stoi(value, &used);
            } catch (const std::exception&) {
            }
            if (used != value.size() || port < 0 || port > 65535)
                throw std::invalid_argument("bad port " + value);
            line.port = port;
        } else if (key == "--postgres") {
            line.server.conninfo = value;
        } else if (key == "--user") {
            line.server.user = value;
        } else if (key == "--password") {
            line.server.password = value;
        } else if (key == "--tds-version") {
            line.server.tdsVersion = parseTdsVersion(value);
        } else if (key == "--encrypt") {
            line.server.encrypt = parseEncryptMode(value);
        } else if (key == "--certificate") {
            line.server.certificateFile = value;
        } else if (key == "--key") {
            line.server.keyFile = value;
        } else if (key == "--database") {
            line.database = value;
        } else if (key == "--write-backup-set") {
            line.writeBackupSet = value;
        } else if (key == "--write-data-file") {
            line.writeDataFile = value;
        } else if (key == "--data-name") {
            line.dataName = value;
        } else if (key == "--log-name") {
            line.logName = value;
        } else {
            throw std::invalid_argument("unknown option " + key + "\n" + usage());
        }
    }
    if (line.server.conninfo.empty())
        throw std::invalid_argument(std::string("--postgres is required\n") + usage());
    if (line.server.certificateFile.empty() != line.server.keyFile.empty())
        throw std::invalid_argument(std::string("--certificate and --key go together\n") + usage());
    const bool writing = !line.writeBackupSet.empty() || !line.writeDataFile.empty();
    if (writing && line.database.empty())
        throw std::invalid_argument(std::string("--database is required to write a file\n") +
                                    usage());
    if (!writing && line.port < 0)
        throw std::invalid_argument(std::string("--port is required\n") + usage());
    return line;
}

}  // namespace tdsserver
