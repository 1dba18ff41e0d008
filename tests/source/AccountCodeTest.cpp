#include <gtest/gtest.h>

#include <string>

#include "source/AccountCode.h"
#include "source/DataFileNames.h"
#include "source/SqlText.h"

namespace {

using source::AccountCodeField;

constexpr const char* kPasses = "";
constexpr const char* kEmpty = "账套代号不允许为空！请使用数字、字母、汉字！";
constexpr const char* kBlank = "账套代号不能包含空格符！请使用数字、字母、汉字！";
constexpr const char* kDot = "账套代号不允许含'.'号！请使用数字、字母、汉字！";
constexpr const char* kStar = "账套代号不允许含'*'符号！请使用数字、字母、汉字！";
constexpr const char* kUnderscore = "账套代号不允许含'_'符号！请使用数字、字母、汉字！";
constexpr const char* kHyphen = "账套代号不允许含'-'符号！请使用数字、字母、汉字！";
constexpr const char* kBar = "帐套代号中不允许包括'|'号！请使用数字、字母、汉字！";
constexpr const char* kQuote = "帐套代号中不允许包括单引号！请使用数字、字母、汉字！";
constexpr const char* kParen = "帐套代号中不允许包括'('或')'号！请使用数字、字母、汉字！";
constexpr const char* kBackslash = "帐套代号中不允许包括''号！请使用数字、字母、汉字！";
constexpr const char* kNoDirectory = "数据目录不能为空！";
constexpr const char* kTooLong = "帐套代号长度不能大于20(一个汉字2个长度)！";

struct Case {
    const char* code;
    const char* directory;  // nullptr: the import dialog's check
    const char* expected;   // kPasses when the code is accepted
};

const Case kCases[] = {
    {"ABC", nullptr, kPasses},
    {"ABC", "/data", kPasses},
    {"", nullptr, kEmpty},
    {" \t ", nullptr, kEmpty},
    {" ABC", nullptr, kBlank},
    {"ABC ", nullptr, kBlank},
    {"A BC", nullptr, kBlank},
    {"\tABC", nullptr, kBlank},
    {"ABC\r\n", nullptr, kBlank},
    {"A\tBC", nullptr, kBlank},
    {"a.b", nullptr, kDot},
    {"a.b(c)", nullptr, kDot},  // only the first failing rule is reported
    {"a*b", nullptr, kStar},
    {"a_b", nullptr, kUnderscore},
    {"a-b", nullptr, kHyphen},
    {"a|b", nullptr, kBar},
    {"a'b", nullptr, kQuote},
    {"a(b", nullptr, kParen},
    {"ab)", nullptr, kParen},
    {"a\\b", nullptr, kBackslash},
    // Chinese characters whose second byte in code page 936 is 5C, 5F, 7C.
    {"账乗", nullptr, kBackslash},
    {"乢", nullptr, kUnderscore},
    {"亅", nullptr, kBar},
    {"账套代号恢复引入文件", nullptr, kPasses},     // 20 bytes
    {"账套代号恢复引入文件目", nullptr, kTooLong},  // 22 bytes
    {"12345678901234567890", nullptr, kPasses},
    {"123456789012345678901", nullptr, kTooLong},
    {"账套代号恢复引入文件A", nullptr, kTooLong},
    // The restore dialog's directory test comes after the character rules and
    // before the length rule.
    {"ABC", "", kNoDirectory},
    {"ABC", " \t", kNoDirectory},
    {"123456789012345678901", "", kNoDirectory},
    {"123456789012345678901", "/data", kTooLong},
    {"a.b", "", kDot},
    {" ", "", kEmpty},
};

TEST(AccountCode, RulesInOrder) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("code [") + c.code + "] directory [" +
                     (c.directory ? c.directory : "import") + "]");
        auto refusal = c.directory ? source::CheckAccountCode(c.code, c.directory)
                                   : source::CheckAccountCode(c.code);
        if (std::string(c.expected).empty()) {
            EXPECT_FALSE(refusal) << refusal->message;
            continue;
        }
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->message, c.expected);
        EXPECT_EQ(refusal->field, std::string(c.expected) == kNoDirectory
                                      ? AccountCodeField::DataDirectory
                                      : AccountCodeField::AccountCode);
    }
}

TEST(AccountCode, CharacterWithoutCodePageFormIsRefused) {
    auto refusal = source::CheckAccountCode("ab\xF0\x9F\x98\x80");  // an emoji
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->field, AccountCodeField::AccountCode);
}

TEST(AccountCode, DatabaseNameIsPrefixAndTrimmedCode) {
    EXPECT_EQ(source::SourceDatabaseName(" ABC\t"), "QXLirToOrbit_ABC");
    EXPECT_EQ(source::SourceDatabaseName("账套"), "QXLirToOrbit_账套");
}

TEST(SqlText, QuotesAreDoubledInsideTheLiteral) {
    EXPECT_EQ(source::sqlString("/data/o'brien/x.bak"), "'/data/o''brien/x.bak'");
    EXPECT_EQ(source::sqlString("''"), "''''''");
    EXPECT_EQ(source::sqlString(""), "''");
}

TEST(DataFileNames, ProposedCodeFromFileName) {
    struct NameCase {
        const char* path;
        const char* code;
    } cases[] = {
        {"/data/QX001_Alpha.MDF", "Alpha"},
        {"/data/QXLirToOrbit_ABC.MDF", "ABC"},
        {"/data/data.mdf", "data"},
        {"/data/qxabc.mdf", "qxabc"},
        {"/data/.hidden", ".hidden"},
        {"/data/qX9_a_b.mdf", "a_b"},
        {"/x.y/a.b.c", "a"},
        {"/data/AQX_1.mdf", "AQX_1"},
        {"Plain", "Plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(source::ProposedAccountCode(c.path), c.code);
    }
}

TEST(DataFileNames, OldLogFilesLieBesideTheDataFile) {
    EXPECT_EQ(source::OldLogFiles("/d/x.y/QX001_A.MDF"),
              (std::vector<std::string>{"/d/x.y/QX001_A.LDF", "/d/x.y/QX001_A_log.LDF"}));
    EXPECT_EQ(source::OldLogFiles("/d/.hidden"),
              (std::vector<std::string>{"/d/.hidden.LDF", "/d/.hidden_log.LDF"}));
}

}  // namespace
