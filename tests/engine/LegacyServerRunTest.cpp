// A whole migration from a source on an old SQL Server: one answering TDS 7.1,
// one encrypting the login and one requiring encryption throughout. Each
// target must hold exactly what a run from the plain server wrote.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "engine/TCopyDataThread.h"
#include "fixtures/PgRows.h"
#include "support/RunEnvironment.h"
#include "support/TdsTestServer.h"

namespace {

// Enough rows for every table and value shape the generator makes.
constexpr int kSourceRows = 60;

struct LegacyMode {
    const char* name;
    const char* prefix;  // database name prefix
    std::vector<std::string> serverOptions;
};

void PrintTo(const LegacyMode& mode, std::ostream* out) { *out << mode.name; }

const LegacyMode kModes[] = {
    {"Tds71", "legacy71", {"--tds-version", "7.1"}},
    {"LoginEncrypted", "legacylogin", {"--encrypt", "login"}},
    {"EncryptionRequired", "legacyreq", {"--encrypt", "required"}},
    {"Tds71LoginEncrypted", "legacy71login", {"--tds-version", "7.1", "--encrypt", "login"}},
};

// Runs a whole migration from `server` into a fresh target and dumps the target.
std::string migrateAndDump(const std::string& prefix, const support::TdsTestServer& server) {
    enginetest::RunEnvironment env(prefix, kSourceRows, server);
    const engine::RunOutcome outcome = engine::TCopyDataThread(env.ctx).Execute();
    EXPECT_EQ(outcome, engine::RunOutcome::Completed) << env.host.logText();
    return fixtures::dumpPublicTables(env.target.connInfo());
}

// The first line where two dumps part, for a readable failure.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int line = 1;; ++line) {
        const bool moreE = static_cast<bool>(std::getline(e, le));
        const bool moreA = static_cast<bool>(std::getline(a, la));
        if (!moreE && !moreA) return "no difference";
        if (!moreE || !moreA || le != la)
            return "line " + std::to_string(line) + ": plain run " +
                   (moreE ? "'" + le + "'" : "<end>") + ", this run " +
                   (moreA ? "'" + la + "'" : "<end>");
    }
}

class LegacyServerRun : public ::testing::TestWithParam<LegacyMode> {
protected:
    static void SetUpTestSuite() {
        support::TdsTestServer plain;
        plainDump_ = std::make_unique<std::string>(migrateAndDump("legacyplain", plain));
    }
    static void TearDownTestSuite() { plainDump_.reset(); }
    static std::unique_ptr<std::string> plainDump_;
};
std::unique_ptr<std::string> LegacyServerRun::plainDump_;

TEST_P(LegacyServerRun, TargetEqualsTheRunFromThePlainServer) {
    const LegacyMode& mode = GetParam();
    ASSERT_TRUE(plainDump_);
    ASSERT_GT(plainDump_->size(), 10000u) << "the plain run copied too little to compare";
    support::TdsTestServer server(mode.serverOptions);
    const std::string dump = migrateAndDump(mode.prefix, server);
    EXPECT_TRUE(dump == *plainDump_) << firstDifference(*plainDump_, dump);
}

INSTANTIATE_TEST_SUITE_P(Modes, LegacyServerRun, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
