#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/TextRules.h"

namespace {

TEST(TextRules, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(core::trimBlanks(" \t\r\n LOCALHOST \x01"), "LOCALHOST");
    EXPECT_EQ(core::trimBlanks("   "), "");
    EXPECT_EQ(core::trimBlanks("a b"), "a b");
}

TEST(TextRules, ByteWiseOrderIsUnsignedAndPrefixFirst) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"11", "11", 0},
        {"1", "11", -1},
        {"11", "2", -1},
        {"97", "100", 1},
        {"L_goods", "l_goods", -1},
        {"\xE8\xB4\xA6", "z", 1},  // 账 is D5 CB
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        int r = core::compareBytes(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.expected);
    }
}

TEST(TextRules, TableNamesSortWithoutCase) {
    std::vector<std::string> names{"l_goodssku", "L_goods", "am_kind", "B_x", "a_y"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return core::lessIgnoreCase(a, b);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"a_y", "am_kind", "B_x", "L_goods", "l_goodssku"}));
}

TEST(TextRules, ReplaceIgnoresCaseOfTheSearch) {
    EXPECT_EQ(core::replaceAllIgnoreCase("skuid_SkuId", "skuid", "goodsid"), "goodsid_goodsid");
    EXPECT_EQ(core::replaceAllIgnoreCase("elemskuid", "skuid", "gid"), "elemgid");
}

}  // namespace
