#include <gtest/gtest.h>

#include <stdexcept>

#include "app/LoadTableList.h"
#include "core/Cp936.h"
#include "fixtures/ProgramDirectory.h"

namespace {

TEST(LoadTableListTest, ReadsLinesWithEitherLineEnd) {
    fixtures::ProgramDirectory dir;
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"crlf", "aa_billflow\r\nl_goods\r\n", {"aa_billflow", "l_goods"}},
        {"lf, last line without end", "aa_billflow\nl_goods", {"aa_billflow", "l_goods"}},
        {"empty line kept", "a\n\nb\n", {"a", "", "b"}},
        {"empty file", "", {}},
        {"code page 936", core::toCp936("表一\r\n"), {"表一"}},
        {"utf-8 with a byte-order mark", "\xEF\xBB\xBFl_goods\r\n表一\r\n", {"l_goods", "表一"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("loadtable.txt", c.bytes);
        EXPECT_EQ(app::loadTableList(dir.file("loadtable.txt")), c.lines);
    }
}

TEST(LoadTableListTest, MissingFileNamesTheFileAndTheReason) {
    fixtures::ProgramDirectory dir;
    try {
        app::loadTableList(dir.file("loadtable.txt"));
        FAIL() << "no error for a missing file";
    } catch (const std::runtime_error& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("loadtable.txt"), std::string::npos) << what;
        EXPECT_NE(what.find("No such file"), std::string::npos) << what;
    }
}

}  // namespace
