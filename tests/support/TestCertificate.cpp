#include "support/TestCertificate.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace support {

TestCertificate::TestCertificate() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "lir2orbit-cert.XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a directory for a certificate");
    directory_ = pattern;
    certificate_ = directory_ + "/server.crt";
    key_ = directory_ + "/server.key";
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
        " -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        key_ + "' -out '" + certificate_ + "' >'" + directory_ + "/openssl.log' 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0 || !std::filesystem::exists(certificate_)) {
        std::ifstream log(directory_ + "/openssl.log");
        const std::string output((std::istreambuf_iterator<char>(log)), {});
        std::filesystem::remove_all(directory_);
        throw std::runtime_error("openssl could not make a test certificate: " + output);
    }
}

TestCertificate::~TestCertificate() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace support
