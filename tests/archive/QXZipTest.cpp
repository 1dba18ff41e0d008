#include <gtest/gtest.h>

#include <filesystem>

#include "ArchiveTestSupport.h"
#include "archive/ArchiveError.h"
#include "archive/TQXZip.h"

namespace {

using namespace archive;
using namespace archive_test;
using core::MessageAnswer;
using core::MessageButtons;

constexpr const char* kVersion = "QXLedgerSuite";

class QXZipTest : public ArchiveTest {
protected:
    ScriptedMessageBox messages;

    // Packs `input` at `type` through the properties, onto the hard disk.
    std::string pack(const std::string& input, TCompressType type = TCompressType::ctNormal,
                     const std::string& name = "archive.bak") {
        writeFile(path("input.dat"), input);
        TQXZip zip(messages);
        zip.InFileName = path("input.dat");
        zip.OutFileName = path(name);
        zip.OutDiskType = TOutDiskType::odtHard;
        zip.SetCompressType(type);
        zip.ProductVersion = kVersion;
        zip.AccountCode = "001";
        zip.AccountName = "\xE5\x85\xAC\xE5\x8F\xB8\t\xE5\x90\x8D";  // 公司<tab>名
        EXPECT_TRUE(zip.Zip());
        return readFile(path(name));
    }
};

class QXZipLevels : public QXZipTest, public ::testing::WithParamInterface<TCompressType> {};

std::string levelName(const ::testing::TestParamInfo<TCompressType>& info) {
    static const char* names[] = {"None", "Normal", "Fastest", "Maximize"};
    return names[static_cast<int>(info.param)];
}

TEST_P(QXZipLevels, RoundTrip) {
    for (const std::string& input :
         {std::string(), randomBytes(1, 1), randomBytes(100000, 2), compressibleBytes(500000, 3)}) {
        SCOPED_TRACE(input.size());
        const std::string archive = pack(input, GetParam());
        EXPECT_EQ(zlibUncompress(scramblePayload(archive.substr(181), false)), input);
        TQXZip zip(messages);
        ASSERT_TRUE(zip.UnZip(path("archive.bak"), path("output.dat"), kVersion));
        EXPECT_EQ(readFile(path("output.dat")), input);
        std::filesystem::remove(path("archive.bak"));
        std::filesystem::remove(path("output.dat"));
    }
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(AllLevels, QXZipLevels,
                         ::testing::Values(TCompressType::ctNone, TCompressType::ctNormal,
                                           TCompressType::ctFastest, TCompressType::ctMaximize),
                         levelName);

TEST_F(QXZipTest, HeaderBytesOfAKnownInput) {
    const std::string archive = pack("hello, ledger");
    std::string header(181, '\0');
    header.replace(0, 33, "\x20QX20030412-2001-0415-QXSOFT-KTNM");
    header.replace(33, 14, "\x0DQXLedgerSuite");
    header.replace(50, 4,
                   "\x03"
                   "001");
    header.replace(83, 8, "\x07\xB9\xAB\xCB\xBE\t\xC3\xFB");  // code page 936
    EXPECT_EQ(archive.substr(0, 181), header);
    EXPECT_EQ(zlibUncompress(scramblePayload(archive.substr(181), false)), "hello, ledger");
}

TEST_F(QXZipTest, EmptyFileGivesHeaderAndTinyStream) {
    const std::string archive = pack("");
    EXPECT_GT(archive.size(), 181u);
    EXPECT_LT(archive.size(), 181u + 16u);
}

TEST_F(QXZipTest, LongAccountNameIsCutTo64Bytes) {
    TQXZip zip(messages);
    zip.AccountName = std::string(70, 'n');
    zip.AccountCode = std::string(40, 'c');
    zip.InitFileHeaderInfo();
    EXPECT_EQ(zip.Header().AccountName(), std::string(64, 'n'));
    EXPECT_EQ(zip.Header().AccountCode(), std::string(32, 'c'));
    EXPECT_EQ(zip.Header().bytes[83], 64);
    EXPECT_EQ(zip.Header().bytes[148], 0);  // the reserved bytes stay untouched
}

// Archives whose payload ends exactly at or one byte past a block boundary,
// built independently of the component.
TEST_F(QXZipTest, PayloadsAtTheBlockBoundary) {
    for (std::size_t payloadSize : {16384u, 16385u}) {
        SCOPED_TRACE(payloadSize);
        std::string input, stream;
        for (std::size_t n = payloadSize - 11; n > payloadSize - 60 && stream.size() != payloadSize;
             --n) {
            input = randomBytes(n, 9);
            stream = zlibCompress(input, 0);
        }
        ASSERT_EQ(stream.size(), payloadSize);
        const std::string archive = referenceArchive(stream, kVersion);
        if (payloadSize == 16385) {
            EXPECT_EQ(archive.back(), stream.back());  // the 1-byte block adds 0
        }
        writeFile(path("edge.bak"), archive);
        TQXZip zip(messages);
        ASSERT_TRUE(zip.UnZip(path("edge.bak"), path("edge.out"), kVersion));
        EXPECT_EQ(readFile(path("edge.out")), input);
    }
}

TEST_F(QXZipTest, UnpackingTwiceGivesTheSameFile) {
    const std::string input = compressibleBytes(40000, 4);
    pack(input);
    TQXZip zip(messages);
    for (const char* out : {"first.out", "second.out"}) {
        ASSERT_TRUE(zip.UnZip(path("archive.bak"), path(out), kVersion));
        EXPECT_EQ(readFile(path(out)), input);
    }
}

TEST_F(QXZipTest, RefusalsLeaveNoOutput) {
    pack("some backup");
    writeFile(path("notes.txt"), std::string(500, 'x'));
    writeFile(path("stub.bak"), std::string("\x20QX20030412-2001-0415-QXSOFT-KTNM", 33));
    struct Case {
        const char* name;
        std::string in;
        std::string version;
        bool floppy;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"other product version",
         path("archive.bak"),
         "QXLedgerSuitE",
         false,
         {"不同的Quoxel软件产品版本！"}},
        {"empty product version", path("archive.bak"), "", false, {"不同的Quoxel软件产品版本！"}},
        {"floppy output", path("archive.bak"), kVersion, true, {"本功能不能解压缩文件到软盘。"}},
        {"not an archive", path("notes.txt"), kVersion, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        TQXZip zip(messages);
        zip.InFileName = c.in;
        zip.OutFileName = path("refused.out");
        zip.OutDiskType = c.floppy ? TOutDiskType::odtFloppy : TOutDiskType::odtHard;
        zip.ProductVersion = c.version;
        EXPECT_FALSE(zip.UnZip());
        EXPECT_EQ(messages.texts(), c.messages);
        EXPECT_FALSE(fileExists(path("refused.out")));
        for (const auto& box : messages.shown) {
            EXPECT_EQ(box.caption, "QXZip");
            EXPECT_EQ(box.icon, core::MessageIcon::Information);
        }
    }
    TQXZip zip(messages);
    EXPECT_THROW(zip.UnZip(path("stub.bak"), path("refused.out"), kVersion), ArchiveError);
    EXPECT_THROW(zip.UnZip(path("missing.bak"), path("refused.out"), kVersion), StreamError);
}

TEST_F(QXZipTest, ExistingTargetIsReplacedOnlyOnYes) {
    writeFile(path("input.dat"), "new data");
    writeFile(path("archive.bak"), "precious");
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        messages.shown.clear();
        messages.answer = [answer](const ScriptedMessageBox::Shown&) { return answer; };
        TQXZip zip(messages);
        const bool packed = zip.Zip(path("input.dat"), path("archive.bak"), kVersion, "1", "n");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "目标文件 : archive.bak 已经存在。\r目标文件的所有数据将会丢失。是否继续？");
        EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(packed, answer == MessageAnswer::Yes);
        EXPECT_EQ(readFile(path("archive.bak")) == "precious", answer == MessageAnswer::No);
    }
}

TEST_F(QXZipTest, SourceAndTargetMayNotBeTheSameFile) {
    writeFile(path("input.dat"), "data");
    TQXZip zip(messages);
    EXPECT_FALSE(zip.Zip(path("input.dat"), path("input.dat"), kVersion, "1", "n"));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"源文件不能和目标文件文件名相同。"});
    EXPECT_EQ(readFile(path("input.dat")), "data");
}

TEST_F(QXZipTest, DamagedPayloadFailsAndRemovesTheOutput) {
    const std::string archive = pack(compressibleBytes(300000, 5));
    std::string flipped = archive;
    flipped[archive.size() / 2] ^= 0x20;
    struct Case {
        const char* name;
        std::string bytes;
    };
    for (const Case& c : {Case{"truncated", archive.substr(0, archive.size() - 100)},
                          Case{"header only", archive.substr(0, 181)}, Case{"corrupted", flipped},
                          Case{"last byte missing", archive.substr(0, archive.size() - 1)}}) {
        SCOPED_TRACE(c.name);
        writeFile(path("damaged.bak"), c.bytes);
        TQXZip zip(messages);
        EXPECT_THROW(zip.UnZip(path("damaged.bak"), path("damaged.out"), kVersion), ArchiveError);
        EXPECT_FALSE(fileExists(path("damaged.out")));
    }
}

TEST_F(QXZipTest, FullDiskMakesZipFalseAndUnZipFail) {
    const std::string input = randomBytes(200000, 6);
    writeFile(path("input.dat"), input);
    pack(input);
    {
        FileSizeLimit limit(50000);
        TQXZip zip(messages);
        EXPECT_FALSE(zip.Zip(path("input.dat"), path("full.bak"), kVersion, "1", "n"));
        EXPECT_THROW(zip.UnZip(path("archive.bak"), path("full.out"), kVersion), StreamError);
    }
    EXPECT_LE(std::filesystem::file_size(path("full.bak")), 50000u);
    EXPECT_FALSE(fileExists(path("full.out")));
}

TEST_F(QXZipTest, TemporaryFileAndSplitRecognition) {
    TQXZip zip(messages);
    EXPECT_EQ(zip.GetTempFileName(), dir_ + "/tmp/QXDatas.tmp");
    writeFile(path("volume.bak"),
              std::string("\x28{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}\0\1", 43));
    writeFile(path("short.bak"), std::string("\x28{QX7A1E3D90-5B2F", 18));
    pack("x");
    EXPECT_TRUE(zip.IsSplitFile(path("volume.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("short.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("archive.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("missing.bak")));
}

}  // namespace
