#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "ArchiveTestSupport.h"
#include "archive/ArchiveError.h"
#include "archive/MemoryStream.h"
#include "archive/ScramblingStream.h"
#include "archive/TQXZip.h"

namespace {

using namespace archive;
using namespace archive_test;
using core::MessageAnswer;
using core::MessageButtons;

constexpr const char* kVersion = "QXLedgerSuite";

class QXZipTest : public ArchiveTest {
protected:
    ScriptedMessageBox messages{ScriptedMessageBox::Unscripted::Yes};

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
    writeFile(path("header-only.bak"), std::string("\x20QX20030412-2001-0415-QXSOFT-KTNM", 33));
    writeFile(path("empty.bak"), "");
    struct Case {
        const char* name;
        std::string in;
        std::string version;
        bool floppy;
        std::vector<std::string> messages;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"other product version",
         path("archive.bak"),
         "QXLedgerSuitE",
         false,
         {"不同的Quoxel软件产品版本！"},
         "was made by another product version (\"QXLedgerSuite\"; \"QXLedgerSuitE\" is needed)"},
        {"empty product version",
         path("archive.bak"),
         "",
         false,
         {"不同的Quoxel软件产品版本！"},
         "another product version"},
        {"floppy output",
         path("archive.bak"),
         kVersion,
         true,
         {"本功能不能解压缩文件到软盘。"},
         "onto a floppy disk is not supported"},
        {"not an archive",
         path("notes.txt"),
         kVersion,
         false,
         {},
         "is not a backup archive: it does not begin with the archive identification"},
        {"empty file",
         path("empty.bak"),
         kVersion,
         false,
         {},
         "not a backup archive: the file is empty"},
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
        EXPECT_TRUE(contains(zip.FailureReason(), c.reason));
        EXPECT_EQ(messages.texts(), c.messages);
        EXPECT_FALSE(fileExists(path("refused.out")));
        for (const auto& box : messages.shown) {
            EXPECT_EQ(box.caption, "QXZip");
            EXPECT_EQ(box.icon, core::MessageIcon::Information);
        }
    }
    TQXZip zip(messages);
    expectFailure([&] { zip.UnZip(path("header-only.bak"), path("refused.out"), kVersion); },
                  "is cut short: it ends after 33 bytes, inside its 181-byte header");
    expectFailure([&] { zip.UnZip(path("missing.bak"), path("refused.out"), kVersion); },
                  "Cannot open file \"" + path("missing.bak") + "\": No such file or directory");
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

// Another spelling, a symbolic link or a hard link still name the source: the
// refusal comes before the overwrite question, and both files stay as they were.
TEST_F(QXZipTest, SourceAndTargetMayNotBeTheSameFile) {
    const std::string archive = pack("data");
    std::filesystem::create_symlink(path("input.dat"), path("input.link"));
    std::filesystem::create_hard_link(path("archive.bak"), path("archive.hard"));
    struct Case {
        const char* name;
        bool unzip;
        std::string target;
    };
    for (const Case& c : {Case{"zip, same text", false, path("input.dat")},
                          Case{"zip, another spelling", false, dir_ + "/tmp/../input.dat"},
                          Case{"zip, symbolic link", false, path("input.link")},
                          Case{"unzip, another spelling", true, dir_ + "/./archive.bak"},
                          Case{"unzip, hard link", true, path("archive.hard")}}) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        TQXZip zip(messages);
        const bool done = c.unzip ? zip.UnZip(path("archive.bak"), c.target, kVersion)
                                  : zip.Zip(path("input.dat"), c.target, kVersion, "1", "n");
        EXPECT_FALSE(done);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{"源文件不能和目标文件文件名相同。"});
        EXPECT_TRUE(contains(zip.FailureReason(), "are the same file"));
        EXPECT_EQ(readFile(path("input.dat")), "data");
        EXPECT_EQ(readFile(path("archive.bak")), archive);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              5);  // tmp, input.dat, input.link, archive.bak, archive.hard
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

// Whatever stops a pack or an unpack, an existing target keeps its content and
// no partial file is left beside it.
TEST_F(QXZipTest, FailuresLeaveAnExistingTargetAsItWas) {
    const std::string input = randomBytes(200000, 6);
    const std::string archive = pack(input);
    std::string damaged = archive;
    damaged[archive.size() / 2] ^= 0x20;
    writeFile(path("damaged.bak"), damaged);
    writeFile(path("cut.bak"), archive.substr(0, archive.size() - 100));
    struct Case {
        const char* name;
        bool unzip;
        std::string in;
        std::string accountName;
        rlim_t fileSizeLimit;  // 0: none
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"zip, input missing", false, path("missing.dat"), "n", 0, "No such file or directory"},
        {"zip, name outside code page 936", false, path("input.dat"), "\xF0\x9F\x98\x80", 0,
         "has a character outside code page 936"},
        {"zip, disk full", false, path("input.dat"), "n", 50000, "Cannot write file \""},
        {"unzip, disk full", true, path("archive.bak"), "", 50000, "Cannot write file \""},
        {"unzip, damaged", true, path("damaged.bak"), "", 0,
         "is damaged: its compressed data cannot be decoded"},
        {"unzip, cut short", true, path("cut.bak"), "", 0,
         "is cut short: it ends after " + std::to_string(archive.size() - 100) + " bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path("target"), "precious");
        messages.shown.clear();
        TQXZip zip(messages);
        {
            std::optional<FileSizeLimit> limit;
            if (c.fileSizeLimit != 0) limit.emplace(c.fileSizeLimit);
            expectFailure(
                [&] {
                    if (c.unzip)
                        zip.UnZip(c.in, path("target"), kVersion);
                    else
                        zip.Zip(c.in, path("target"), kVersion, "1", c.accountName);
                },
                c.reason);
        }
        EXPECT_EQ(readFile(path("target")), "precious");
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos)
                << entry.path();
        EXPECT_TRUE(std::filesystem::is_empty(dir_ + "/tmp"));
    }
}

TEST_F(QXZipTest, SplitRecognition) {
    TQXZip zip(messages);
    EXPECT_EQ(zip.GetTempFileName(), "");  // no operation, no temporary file
    writeFile(path("volume.bak"),
              std::string("\x28{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}\0\1", 43));
    writeFile(path("short.bak"), std::string("\x28{QX7A1E3D90-5B2F", 18));
    pack("x");
    EXPECT_TRUE(zip.IsSplitFile(path("volume.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("short.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("archive.bak")));
    EXPECT_FALSE(zip.IsSplitFile(path("missing.bak")));
}

// Reads and writes of any size keep the block numbering of the payload.
TEST_F(QXZipTest, ScramblingInPiecesOfAnySize) {
    const std::string plain = randomBytes(3 * 16384 + 77, 8);
    const std::string expected = scramblePayload(plain, true);
    for (std::int64_t piece : {1, 7, 16383, 16385, 65536}) {
        SCOPED_TRACE(piece);
        MemoryStream memory;
        ScrambleGenerator generator;
        ScramblingStream stream(memory, generator);
        for (std::size_t at = 0; at < plain.size(); at += piece)
            stream.WriteBuffer(plain.data() + at, std::min<std::int64_t>(piece, plain.size() - at));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory.Memory()), memory.Size()),
                  expected);
        stream.SetPosition(0);
        std::string back(plain.size(), '\0');
        for (std::size_t at = 0; at < back.size(); at += piece)
            stream.ReadBuffer(back.data() + at, std::min<std::int64_t>(piece, back.size() - at));
        EXPECT_EQ(back, plain);
    }
}

}  // namespace
