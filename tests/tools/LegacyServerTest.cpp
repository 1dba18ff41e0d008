// The server as an old SQL Server answers: TDS 7.1 and encrypted logins, seen
// through tsql (FreeTDS, GnuTLS) with a relay that records what crossed the
// wire in clear.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

#include "WireRecorder.h"
#include "support/TdsTestServer.h"

namespace {

struct WireCase {
    const char* name;
    std::vector<std::string> serverOptions;
    // freetds.conf's "encryption" for tsql; empty leaves FreeTDS's default.
    std::string clientEncryption;
    std::vector<std::string> client;  // wireUnits of what tsql sent
    std::vector<std::string> server;  // and of what the server sent
};

// Test names are enough in gtest's output.
void PrintTo(const WireCase& c, std::ostream* out) { *out << c.name; }

using Units = std::vector<std::string>;
const Units ClearClient = {"tds 12", "tds 10", "tds 01"};
const Units ClearServer = {"tds 04"};
// PRELOGIN, the handshake inside PRELOGIN packets, the login record as bare
// TLS, then batches in clear; the server's login reply comes in clear.
const Units LoginOnlyClient = {"tds 12", "tds 12 tls", "tls", "tds 01"};
const Units LoginOnlyServer = {"tds 04", "tds 12 tls", "tds 04"};
const Units WholeSessionClient = {"tds 12", "tds 12 tls", "tls"};
const Units WholeSessionServer = {"tds 04", "tds 12 tls", "tls"};

const WireCase kWireCases[] = {
    {"Plain", {}, "", ClearClient, ClearServer},
    {"Tds71", {"--tds-version", "7.1"}, "", ClearClient, ClearServer},
    {"LoginEncrypted", {"--encrypt", "login"}, "", LoginOnlyClient, LoginOnlyServer},
    {"LoginModeClientRequiresAll",
     {"--encrypt", "login"},
     "require",
     WholeSessionClient,
     WholeSessionServer},
    {"LoginModeClientWithoutEncryption", {"--encrypt", "login"}, "off", ClearClient, ClearServer},
    {"RequiredEncryptsAll", {"--encrypt", "required"}, "", WholeSessionClient, WholeSessionServer},
    {"Tds71LoginEncrypted",
     {"--tds-version", "7.1", "--encrypt", "login"},
     "",
     LoginOnlyClient,
     LoginOnlyServer},
};

class LegacyWire : public ::testing::TestWithParam<WireCase> {};

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    output += "\n(exit " + std::to_string(pclose(pipe)) + ")";
    return output;
}

std::string joined(const Units& units) {
    std::string text;
    for (const std::string& u : units) text += "[" + u + "]";
    return text;
}

TEST_P(LegacyWire, TsqlQueriesAndTheWireShowsWhatWasEncrypted) {
    const WireCase& c = GetParam();
    support::TdsTestServer server(c.serverOptions);
    wiretest::WireRecorder wire(server.port());

    const std::string conf = "/tmp/lir2orbit-tsql-" + std::to_string(getpid()) + ".conf";
    {
        std::ofstream out(conf);
        out << "[global]\n\ttds version = auto\n";
        if (!c.clientEncryption.empty()) out << "\tencryption = " << c.clientEncryption << "\n";
    }
    const std::string output =
        run("printf 'select 42 as answer, '\\''legacy'\\'' as word\\ngo\\nselect * from "
            "no_such_table\\ngo\\nquit\\n' | FREETDSCONF=" +
            conf + " timeout 60 tsql -H 127.0.0.1 -p " + std::to_string(wire.port()) + " -U " +
            server.user() + " -P " + server.password() + " -D master 2>&1");
    std::remove(conf.c_str());

    EXPECT_NE(output.find("answer\tword\n42\tlegacy\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Invalid object name 'no_such_table'."), std::string::npos) << output;
    EXPECT_EQ(joined(wiretest::wireUnits(wire.clientBytes())), joined(c.client));
    EXPECT_EQ(joined(wiretest::wireUnits(wire.serverBytes())), joined(c.server));
}

INSTANTIATE_TEST_SUITE_P(Modes, LegacyWire, ::testing::ValuesIn(kWireCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
