// The server seen through pytds (Debian's python3-tds), which shares no code with
// FreeTDS: in the plain mode, as a TDS 7.1 server, and with each encryption.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>

#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"
#include "support/TestCertificate.h"

namespace {

struct PytdsCase {
    const char* name;
    std::vector<std::string> serverOptions;
    bool certificate;  // the server uses the test certificate, pytds trusts it
    std::vector<std::string> clientOptions;
};

// Test names are enough in gtest's output.
void PrintTo(const PytdsCase& c, std::ostream* out) { *out << c.name; }

const PytdsCase kCases[] = {
    {"Plain",
     {},
     false,
     {"--tds-version", "74000004", "--product-version", "9.0.5000", "--session-encrypted", "no"}},
    // pytds reads the messages before LOGINACK in the form of the version it
    // asked for, so it must ask a TDS 7.1 server for 7.1 (FreeTDS asks for 7.4
    // in the tests through tsql and db-lib).
    {"Tds71",
     {"--tds-version", "7.1"},
     false,
     {"--request-tds", "71000001", "--tds-version", "71000001", "--product-version", "8.0.2039",
      "--session-encrypted", "no"}},
    {"LoginModeLoginOnly",
     {"--encrypt", "login"},
     true,
     {"--login-only", "--session-encrypted", "no"}},
    {"LoginModeWholeSession", {"--encrypt", "login"}, true, {"--session-encrypted", "yes"}},
    {"RequiredEncryptsWhatTheClientWouldNot",
     {"--encrypt", "required"},
     true,
     {"--login-only", "--session-encrypted", "yes"}},
    {"Tds71Required",
     {"--tds-version", "7.1", "--encrypt", "required"},
     true,
     {"--request-tds", "71000001", "--tds-version", "71000001", "--session-encrypted", "yes"}},
    {"RequiredRefusesAClientWithoutEncryption", {"--encrypt", "required"}, false, {"--refused"}},
};

class Pytds : public ::testing::TestWithParam<PytdsCase> {
protected:
    static void SetUpTestSuite() {
        database_ = "qxpytds_" + std::to_string(getpid());
        support::dropSourceDatabase(database_);
        support::createSourceDatabase(database_);
        support::execPg(support::pgConnInfo(database_), R"(
create table typed(ti tinyint, si int2, i int4, bi int8, b boolean, r float4, f float8, d numeric(10,2),
  m money, sm smallmoney, dt datetime, sdt smalldatetime, vc varchar(10), c char(4), t text, nv nvarchar,
  nc "nchar", nt ntext, img image, vb varbinary, g uniqueidentifier);
insert into typed values (255, -2, 123456, 9000000000, true, 1.5, 2.25, -12345.67, -1.0001, 2.5,
  '2024-02-29 13:45:30.5', '2024-02-29 13:45:30', '中文abc', 'ab', '长文本', 'ünï中', 'x', '宽', '\x0102',
  '\x00ff', '00112233-4455-6677-8899-aabbccddeeff');
insert into typed default values;
)");
        certificate_ = std::make_unique<support::TestCertificate>();
    }
    static void TearDownTestSuite() {
        certificate_.reset();
        support::dropSourceDatabase(database_);
    }
    static std::string database_;
    static std::unique_ptr<support::TestCertificate> certificate_;
};
std::string Pytds::database_;
std::unique_ptr<support::TestCertificate> Pytds::certificate_;

TEST_P(Pytds, LoginTypesResultSetsAndErrors) {
    const PytdsCase& c = GetParam();
    std::vector<std::string> serverOptions = c.serverOptions;
    std::string clientOptions;
    if (c.certificate) {
        serverOptions.insert(serverOptions.end(), {"--certificate", certificate_->certificateFile(),
                                                   "--key", certificate_->keyFile()});
        clientOptions = " --cafile '" + certificate_->certificateFile() + "'";
    }
    for (const std::string& option : c.clientOptions) clientOptions += " " + option;
    support::TdsTestServer server(serverOptions);
    const std::string command = std::string("/usr/bin/python3 '") + LIR2ORBIT_PYTDS_CHECK + "' " +
                                std::to_string(server.port()) + " '" + server.user() + "' '" +
                                server.password() + "' '" + database_ + "'" + clientOptions +
                                " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Modes, Pytds, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
