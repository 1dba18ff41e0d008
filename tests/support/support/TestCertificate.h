#pragma once
#include <string>

namespace support {

// A self-signed certificate for localhost and 127.0.0.1 with its key, made by
// Debian's openssl in a temporary directory that goes with the object. The
// certificate is its own CA file for clients that check.
class TestCertificate {
public:
    TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;
    ~TestCertificate();

    const std::string& certificateFile() const noexcept { return certificate_; }
    const std::string& keyFile() const noexcept { return key_; }

private:
    std::string directory_;
    std::string certificate_;
    std::string key_;
};

}  // namespace support
