#include <gtest/gtest.h>

#include <string>

#include "ArchiveTestSupport.h"
#include "archive/BackupHeader.h"
#include "archive/FileStream.h"

namespace {

using archive_test::ArchiveTest;

using namespace std::string_literals;

const std::string kVolumeId = "\x28{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}";

// A length byte (the text's own length unless given), then the text.
std::string field(const std::string& text, int length = -1) {
    return static_cast<char>(length < 0 ? text.size() : length) + text;
}

// A header window of 200 bytes: identification, then short strings at 33, 50, 83.
std::string header(const std::string& code, const std::string& name) {
    std::string bytes(200, '\0');
    bytes.replace(0, 33, field("QX20030412-2001-0415-QXSOFT-KTNM"));
    bytes.replace(33, 14, field("QXLedgerSuite"));
    bytes.replace(50, code.size(), code);
    bytes.replace(83, name.size(), name);
    return bytes;
}

TEST_F(ArchiveTest, HeaderFieldsAreShortStringsEndingAtAZeroByte) {
    struct Case {
        const char* name;
        std::string bytes;
        bool firstVolume;
        bool complete;
        bool identified;
        std::string code;
        std::string before;
        std::string after;
    } cases[] = {
        {"plain", header(field("042"), field("ab\tcd")), false, true, true, "042", "ab", "cd"},
        {"first volume", kVolumeId + "\0\0"s + header(field("7"), field("n")), true, true, true,
         "7", "n", "n"},
        {"zero byte ends a text", header(field("12"s + '\0' + "45"), field("x")), false, true, true,
         "12", "x", "x"},
        {"length of 128 or more is empty", header(field("123", 128), field("y", 255)), false, true,
         true, "", "", ""},
        {"short file read as far as it goes", header(field("ok"), "").substr(0, 60), false, false,
         true, "ok", "", ""},
        {"other identification", field(std::string(199, 'x'), 32), false, true, false, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        archive_test::writeFile(path("a.BAK"), c.bytes);
        archive::FileStream file(path("a.BAK"), archive::FileMode::OpenRead);
        const archive::BackupHeader read = archive::BackupHeader::Read(file);
        EXPECT_EQ(read.firstVolume, c.firstVolume);
        EXPECT_EQ(read.complete, c.complete);
        EXPECT_EQ(read.identified(), c.identified);
        if (!c.identified) continue;
        EXPECT_EQ(read.accountCode, c.code);
        EXPECT_EQ(read.accountNameBeforeTab(), c.before);
        EXPECT_EQ(read.accountNameAfterTab(), c.after);
    }
}

}  // namespace
