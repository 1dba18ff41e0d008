#include <gtest/gtest.h>

#include "engine/RunLog.h"

namespace {

using Lines = std::vector<std::string>;

struct LogCase {
    const char* name;
    Lines appended;
    const char* replacement;  // nullptr: no replacement
    Lines expected;
};

TEST(RunLogTest, AppendAndReplaceFollowTheLineModel) {
    const LogCase cases[] = {
        {"leading CRLF gives an empty line",
         {"开始导入表数据。", "\r\n表数据导入完成。"},
         nullptr,
         {"开始导入表数据。", "", "表数据导入完成。"}},
        {"trailing CRLF gives an empty last line", {"error text\r\n"}, nullptr, {"error text", ""}},
        {"a lone CR stays in its line",
         {"a", "\r重启外键完成。"},
         nullptr,
         {"a", "\r重启外键完成。"}},
        {"replace overwrites only the last line",
         {"x", "正在导入表[ t ]的数据"},
         "正在导入表[ t ]的数据(1/2)。",
         {"x", "正在导入表[ t ]的数据(1/2)。"}},
        {"replace on an empty log adds a line", {}, "p", {"p"}},
        {"an empty text is an empty line", {""}, nullptr, {""}},
    };
    for (const LogCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine::RunLog log;
        for (const auto& text : c.appended) log.append(text);
        if (c.replacement) log.replaceLast(c.replacement);
        EXPECT_EQ(log.lines(), c.expected);
    }
}

TEST(RunLogTest, TextJoinsLinesWithCrLfAndClearEmpties) {
    engine::RunLog log;
    log.append("a");
    log.append("\r\nb");
    EXPECT_EQ(log.text(), "a\r\n\r\nb");
    EXPECT_EQ(log.lastLine(), "b");
    log.clear();
    EXPECT_EQ(log.text(), "");
    EXPECT_TRUE(log.lines().empty());
}

}  // namespace
