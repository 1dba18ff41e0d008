#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/IniFile.h"
#include "core/Settings.h"
#include "core/TextError.h"

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ini-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        path_ = (dir_ / "config.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void put(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

    fs::path dir_;
    std::string path_;
};

TEST_F(IniFileTest, MissingFileOrKeyGivesDefaultAndFirstWriteCreatesFile) {
    core::IniFile ini(path_);
    EXPECT_EQ(ini.readString("QX", "Dev", "F"), "F");
    EXPECT_FALSE(fs::exists(path_));
    ini.writeString("SOURCECONFIG", "SQLIP", " 127.0.0.1 ");
    EXPECT_EQ(ini.readString("sourceconfig", "sqlip", ""), " 127.0.0.1 ");
    EXPECT_EQ(ini.readString("SOURCECONFIG", "SQLPort", "1433"), "1433");
}

TEST_F(IniFileTest, WritesKeepOtherSectionsKeysAndComments) {
    put("; installed by "
        "setup\r\n[QX]\r\nDev=T\r\n\r\n[TARGETCONFIG]\r\nSQLIP=10.0.0.1\r\nSQLPort=5432\r\n");
    core::IniFile ini(path_);
    ini.writeString("targetconfig", "SQLPORT", "5433");
    ini.writeString("QX", "Extra", "1");
    ini.writeString("qxacc01Toqxnew01", "HistoryStep", "11");
    EXPECT_EQ(contents(),
              "; installed by "
              "setup\r\n[QX]\r\nDev=T\r\nExtra=1\r\n\r\n[TARGETCONFIG]\r\nSQLIP=10.0.0.1\r\n"
              "SQLPORT=5433\r\n\r\n[qxacc01Toqxnew01]\r\nHistoryStep=11\r\n");
}

TEST_F(IniFileTest, TextIsStoredInCodePage936) {
    core::IniFile ini(path_);
    ini.writeString(
        "\xE8\xB4\xA6"
        "ToB",
        "HistoryTabName", "\xE8\xB4\xA6");  // 账
    EXPECT_EQ(contents(),
              "[\xD5\xCB"
              "ToB]\n"
              "HistoryTabName=\xD5\xCB\n");
    EXPECT_EQ(ini.readString("\xE8\xB4\xA6"
                             "ToB",
                             "HistoryTabName", ""),
              "\xE8\xB4\xA6");
}

TEST_F(IniFileTest, DevModeOnlyForCapitalT) {
    core::Settings settings(path_);
    EXPECT_FALSE(settings.devMode());
    for (auto [value, expected] :
         {std::pair{"T", true}, {"t", false}, {"F", false}, {"T ", false}}) {
        SCOPED_TRACE(value);
        settings.write(core::settings::kDev, value);
        EXPECT_EQ(settings.devMode(), expected);
    }
}

// A writer killed at any moment leaves either the old or the new file, never a torn one.
TEST_F(IniFileTest, KilledWriterNeverLeavesAHalfWrittenFile) {
    core::IniFile(path_).writeString("S", "Pad", std::string(20000, 'x'));
    for (int round = 0; round < 20; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            core::IniFile ini(path_);
            for (int i = 0;; ++i) ini.writeString("S", "Counter", std::to_string(i));
        }
        ::usleep(2000 + round * 500);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        core::IniFile ini(path_);
        ASSERT_EQ(ini.readString("S", "Pad", "").size(), 20000u) << "round " << round;
    }
}

TEST_F(IniFileTest, SectionNamedWithABracketIsFoundAgain) {
    // A database name may hold "]": the resume section must still be one section.
    core::Settings settings(path_);
    const std::string section = core::resumeSection("qx[a]b", "qx]new");
    for (int i = 0; i < 3; ++i) settings.writeHistoryStep(section, "1" + std::to_string(i + 1));
    EXPECT_EQ(settings.historyStep(section), "13");
    const std::string text = contents();
    size_t headers = 0;
    for (size_t at = text.find("[qx[a]bToqx]new]"); at != std::string::npos;
         at = text.find("[qx[a]bToqx]new]", at + 1))
        ++headers;
    EXPECT_EQ(headers, 1u) << text;
}

TEST_F(IniFileTest, RewriteKeepsTheModeAndANewFileIsPrivate) {
    core::IniFile(path_).writeString("S", "A", "1");
    EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path_, shared);
    core::IniFile(path_).writeString("S", "A", "2");
    EXPECT_EQ(fs::status(path_).permissions(), shared);
    EXPECT_EQ(core::IniFile(path_).readString("S", "A", ""), "2");
}

// Termination signals arriving during a write end the writer between writes.
TEST_F(IniFileTest, TerminatedWritersLeaveNoTemporaryCopy) {
    core::IniFile(path_).writeString("S", "Pad", std::string(20000, 'x'));
    for (int signal : {SIGTERM, SIGINT}) {
        for (int round = 0; round < 10; ++round) {
            pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                core::IniFile ini(path_);
                for (int i = 0;; ++i) ini.writeString("S", "Counter", std::to_string(i));
            }
            ::usleep(2000 + round * 500);
            ::kill(child, signal);
            int status = 0;
            ::waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status));
        }
    }
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "config.ini") << "left behind: " << entry.path();
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenIsNamedWithTheReason) {
    fs::create_directory(path_);  // even root cannot replace a directory with a file
    try {
        core::IniFile(path_).writeString("S", "A", "1");
        FAIL() << "no error";
    } catch (const core::SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), path_ + ": Is a directory");
    }
}

}  // namespace
