#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/RunError.h"
#include "engine/RunLogFile.h"
#include "engine/SqlLiteral.h"

namespace {

namespace fs = std::filesystem;

std::tm at(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(RunLogFileTest, NameKeepsSafeCharactersOnly) {
    struct Case {
        const char* source;
        const char* target;
        const char* expected;
    };
    const Case cases[] = {
        {"qx001", "qxnew01", "qx001Toqxnew01_2024-1-5_9_05_03.log"},
        {"qx 01", "qx:02", "qx_01Toqx_02_2024-1-5_9_05_03.log"},
        {"../etc", "a/b\\c", ".._etcToa_b_c_2024-1-5_9_05_03.log"},
        {"账套一", "qx*?\"<>|\n", "账套一Toqx________2024-1-5_9_05_03.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(engine::runLogFileName(c.source, c.target, at(2024, 1, 5, 9, 5, 3)), c.expected);
    }
    EXPECT_EQ(engine::logDateTimeText(at(2023, 12, 31, 23, 59, 9)), "2023-12-31 23:59:09");
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "runlogfile.XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
    std::string path;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(RunLogFileTest, SaveCreatesLogDirectoryAndWritesCodePage936) {
    TempDir dir;
    std::string path =
        engine::saveRunLog(dir.path, "a.log", "开始\r\n\r重启外键完成。\xF0\x9F\x98\x80");
    EXPECT_EQ(path, dir.path + "/log/a.log");
    // 开 = BF AA, 始 = CA BC; an emoji has no code page 936 form and becomes "?".
    std::string bytes = slurp(path);
    EXPECT_EQ(bytes.substr(0, 6), "\xBF\xAA\xCA\xBC\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 3), "?\r\n");
    EXPECT_NE(bytes.find("\r\n\r"), std::string::npos);
}

TEST(RunLogFileTest, SaveReportsTheSystemsReason) {
    TempDir dir;
    std::ofstream(dir.path + "/log") << "not a directory";
    try {
        engine::saveRunLog(dir.path, "a.log", "x");
        FAIL() << "saving into a file named log must fail";
    } catch (const engine::RunError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.path + "/log/a.log"), std::string::npos)
            << e.what();
    }
}

TEST(SqlLiteralTest, QuotesSoTheTextStaysOneLiteral) {
    EXPECT_EQ(engine::quoteSqlLiteral("tool[10.11]oldacc[9-50]"), "'tool[10.11]oldacc[9-50]'");
    EXPECT_EQ(engine::quoteSqlLiteral("O'Brien"), "'O''Brien'");
    EXPECT_EQ(engine::quoteSqlLiteral("a\\'b"), "E'a\\\\''b'");
    EXPECT_EQ(engine::quoteSqlLiteral(""), "''");
}

}  // namespace
