#include <gtest/gtest.h>

#include "core/Cp936.h"
#include "core/TextError.h"

namespace {

TEST(Cp936, UserDefinedCharactersRoundTripAsTheirBytes) {
    const std::string utf8 =
        "\xE8\xB4\xA6\xEE\x9C\xB4\xE5\xA5\x97\xEE\x80\x99";  // 账 U+E734 套 U+E019
    const std::string bytes = "\xD5\xCB\xA7\x6E\xCC\xD7\xAA\xBA";
    EXPECT_EQ(core::toCp936(utf8), bytes);
    EXPECT_EQ(core::fromCp936(bytes), utf8);
}

TEST(Cp936, FourByteGb18030SequencesDecode) {
    // U+20000 is four bytes in GB18030 and absent from code page 936.
    EXPECT_EQ(core::fromCp936("a\x95\x32\x82\x36"
                              "b"),
              "a\xF0\xA0\x80\x80"
              "b");
}

TEST(Cp936, BadInputIsRefusedOrReplaced) {
    EXPECT_THROW(core::fromCp936("ab\xFF"), core::TextError);
    EXPECT_EQ(core::fromCp936Lossy("ab\xFF"
                                   "c"),
              "ab\xEF\xBF\xBD"
              "c");
    EXPECT_THROW(core::toCp936("\xF0\x9F\x98\x80"), core::TextError);  // an emoji
}

}  // namespace
