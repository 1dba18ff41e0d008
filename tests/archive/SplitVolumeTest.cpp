#include <gtest/gtest.h>

#include <filesystem>

#include "ArchiveTestSupport.h"
#include "archive/ArchiveError.h"
#include "archive/FixedVolumeMedia.h"
#include "archive/TQXZip.h"
#include "archive/TSplitFileHeader.h"

namespace {

using namespace archive;
using namespace archive_test;
using core::MessageAnswer;
using core::MessageButtons;

constexpr const char* kVersion = "QXLedgerSuite";
const std::string kSplitId = "\x28{QX7A1E3D90-5B2F-4C81-9E64-D0A7F3B2C518}";

std::string volumePrompt(int n, const char* drive) {
    return "请插入第 " + std::to_string(n) + " 张软盘到驱动器" + drive + "中并按确定。";
}

class SplitVolumeTest : public ArchiveTest {
protected:
    ScriptedMessageBox messages{ScriptedMessageBox::Unscripted::Yes};

    void SetUp() override {
        ArchiveTest::SetUp();
        std::filesystem::create_directories(path("floppy"));
    }

    // Every disk prompt answered OK puts the next disk of `media` into the drive.
    void insertDisksOnPrompt(DiskSequenceMedia& media) {
        messages.answer = [&media](const ScriptedMessageBox::Shown& box) {
            if (box.buttons == MessageButtons::OkCancel) media.insertNext();
            return box.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        };
    }

    struct Volume {
        std::string name;
        int number;
        bool last;
        std::string piece;
    };
    std::vector<Volume> readVolumes(const std::string& first) {
        std::vector<Volume> volumes;
        for (int k = 0; fileExists(VolumeFileName(first, k)); ++k) {
            const std::string bytes = readFile(VolumeFileName(first, k));
            EXPECT_EQ(bytes.substr(0, 41), kSplitId);
            volumes.push_back({std::filesystem::path(VolumeFileName(first, k)).filename().string(),
                               static_cast<unsigned char>(bytes[41]), bytes[42] == 1,
                               bytes.substr(43)});
        }
        return volumes;
    }
};

TEST(VolumeNames, ExtensionBecomesQxAndTheNumber) {
    EXPECT_EQ(VolumeFileName("/a/X.BAK", 0), "/a/X.BAK");
    EXPECT_EQ(VolumeFileName("/a/X.BAK", 1), "/a/X.qx1");
    EXPECT_EQ(VolumeFileName("/a/X.qx1", 12), "/a/X.qx12");
    EXPECT_EQ(VolumeFileName("/a.d/X", 2), "/a.d/X.qx2");
}

TEST_F(SplitVolumeTest, ThreeMillionBytesOntoFloppies) {
    const std::string archive = randomBytes(3000000, 1);
    writeFile(path("tmp/archive.tmp"), archive);
    DiskSequenceMedia media(path("floppy"), {1457664, 1457664, 1457664, 1457664});
    insertDisksOnPrompt(media);
    TQXZip zip(messages, &media);
    zip.FloppyDriver = TFloppyDriver::fdB;
    ASSERT_TRUE(zip.FileSplit(path("tmp/archive.tmp"), path("floppy/X.BAK")));

    const auto volumes = readVolumes(path("floppy/X.BAK"));
    ASSERT_EQ(volumes.size(), 3u);
    const std::vector<std::tuple<std::string, int, bool, std::size_t>> expected = {
        {"X.BAK", 0, false, 1457621}, {"X.qx1", 1, false, 1457621}, {"X.qx2", 2, true, 84758}};
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(volumes[k].name, std::get<0>(expected[k]));
        EXPECT_EQ(volumes[k].number, std::get<1>(expected[k]));
        EXPECT_EQ(volumes[k].last, std::get<2>(expected[k]));
        EXPECT_EQ(volumes[k].piece.size(), std::get<3>(expected[k]));
    }
    EXPECT_EQ(volumes[0].piece + volumes[1].piece + volumes[2].piece, archive);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{volumePrompt(1, " B: "), volumePrompt(2, " B: "),
                                        volumePrompt(3, " B: ")}));
    EXPECT_FALSE(fileExists(path("tmp/archive.tmp")));
}

TEST_F(SplitVolumeTest, DiskSizesDecideTheVolumes) {
    struct Case {
        const char* name;
        std::size_t archiveSize;
        std::vector<std::int64_t> disks;  // the first is in the drive before any prompt
        std::vector<std::size_t> pieces;  // empty: copied plain
        std::size_t prompts;
    };
    const std::vector<Case> cases = {
        {"fits on one disk", 5000, {5001}, {}, 1},
        {"last disk filled exactly", 4000, {2043, 2043}, {2000, 2000}, 2},
        {"a disk of 1,067 bytes is refused", 3000, {0, 1067, 2043, 1068}, {2000, 1000}, 3},
        {"no disk in the drive at first", 3000, {0, 3500}, {3000}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string archive = randomBytes(c.archiveSize, 2);
        writeFile(path("tmp/archive.tmp"), archive);
        messages.shown.clear();
        DiskSequenceMedia media(path("floppy"), c.disks);
        insertDisksOnPrompt(media);
        TQXZip zip(messages, &media);
        ASSERT_TRUE(zip.FileSplit(path("tmp/archive.tmp"), path("floppy/Y.BAK")));
        EXPECT_EQ(messages.shown.size(), c.prompts);
        if (c.pieces.empty()) {
            EXPECT_EQ(readFile(path("floppy/Y.BAK")), archive);
            EXPECT_EQ(messages.shown[0].text, "请插入软盘到驱动器 A: 中并按确定。");
        } else {
            const auto volumes = readVolumes(path("floppy/Y.BAK"));
            ASSERT_EQ(volumes.size(), c.pieces.size());
            std::string joined;
            for (std::size_t k = 0; k < volumes.size(); ++k) {
                EXPECT_EQ(volumes[k].piece.size(), c.pieces[k]);
                EXPECT_EQ(volumes[k].last, k + 1 == volumes.size());
                joined += volumes[k].piece;
            }
            EXPECT_EQ(joined, archive);
        }
        std::filesystem::remove_all(path("floppy"));
        std::filesystem::create_directories(path("floppy"));
    }
}

TEST_F(SplitVolumeTest, CancelKeepsWrittenVolumesAndReportsIncomplete) {
    writeFile(path("tmp/archive.tmp"), randomBytes(5000, 3));
    DiskSequenceMedia media(path("floppy"), {2043});
    messages.answer = [](const ScriptedMessageBox::Shown& box) {
        return box.text == volumePrompt(1, " A: ") ? MessageAnswer::Ok : MessageAnswer::Cancel;
    };
    TQXZip zip(messages, &media);
    EXPECT_FALSE(zip.FileSplit(path("tmp/archive.tmp"), path("floppy/Z.BAK")));
    EXPECT_EQ(readVolumes(path("floppy/Z.BAK")).size(), 1u);
    EXPECT_FALSE(fileExists(path("tmp/archive.tmp")));
}

// A disk that fills up halfway through a volume is reported with the system's
// reason and asked for again, and the retried volume starts at the same place
// in the archive.
TEST_F(SplitVolumeTest, FailedVolumeIsWrittenAgainFromItsStart) {
    const std::string archive = randomBytes(3000, 4);
    writeFile(path("tmp/archive.tmp"), archive);
    DiskSequenceMedia media(path("floppy"), {2043});
    FileSizeLimit limit(1500);
    messages.answer = [&](const ScriptedMessageBox::Shown&) {
        if (messages.shown.size() == 2) limit.lift();  // the operator finds a good disk
        return MessageAnswer::Ok;
    };
    TQXZip zip(messages, &media);
    ASSERT_TRUE(zip.FileSplit(path("tmp/archive.tmp"), path("floppy/W.BAK")));
    const auto texts = messages.texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], volumePrompt(1, " A: "));
    EXPECT_EQ(texts[1], "Cannot write file \"" + path("floppy/W.BAK") + "\": File too large");
    EXPECT_EQ(texts[2], volumePrompt(1, " A: "));
    EXPECT_EQ(texts[3], volumePrompt(2, " A: "));
    const auto volumes = readVolumes(path("floppy/W.BAK"));
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].piece + volumes[1].piece, archive);
}

class SplitArchiveTest : public SplitVolumeTest {
protected:
    const std::string input = randomBytes(5000, 5);

    // Packs `input` through Zip with a floppy path, onto 2,043-byte disks.
    void packOntoFloppies() {
        writeFile(path("input.dat"), input);
        FixedVolumeMedia media(path("floppy"), 2043);
        TQXZip zip(messages, &media);
        ASSERT_TRUE(zip.Zip(path("input.dat"), "a:backup.BAK", kVersion, "007", "n"));
        ASSERT_EQ(readVolumes(path("floppy/a:backup.BAK")).size(), 3u);
        messages.shown.clear();
    }
};

TEST_F(SplitArchiveTest, VolumesBesideTheFirstAreGatheredWithoutPrompts) {
    packOntoFloppies();
    TQXZip zip(messages);
    ASSERT_TRUE(zip.UnZip(path("floppy/a:backup.BAK"), path("restored.dat"), kVersion));
    EXPECT_EQ(readFile(path("restored.dat")), input);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(path("tmp")));
}

TEST_F(SplitArchiveTest, MissingVolumeIsAskedFor) {
    packOntoFloppies();
    std::filesystem::rename(path("floppy/a:backup.qx2"), path("elsewhere.qx2"));
    for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        messages.shown.clear();
        messages.answer = [&](const ScriptedMessageBox::Shown&) {
            if (answer == MessageAnswer::Ok)
                std::filesystem::rename(path("elsewhere.qx2"), path("floppy/a:backup.qx2"));
            return answer;
        };
        TQXZip zip(messages);
        if (answer == MessageAnswer::Cancel) {
            // The archive is incomplete: unpacking fails instead of leaving a short file.
            EXPECT_THROW(zip.UnZip(path("floppy/a:backup.BAK"), path("restored.dat"), kVersion),
                         ArchiveError);
            EXPECT_FALSE(fileExists(path("restored.dat")));
        } else {
            EXPECT_TRUE(zip.UnZip(path("floppy/a:backup.BAK"), path("restored.dat"), kVersion));
            EXPECT_EQ(readFile(path("restored.dat")), input);
        }
        EXPECT_EQ(messages.texts(),
                  std::vector<std::string>{"请插入第 3 张软盘到软驱中并按确定。"});
        EXPECT_TRUE(std::filesystem::is_empty(path("tmp")));
    }
}

// Each unpacking joins its volumes in a file of its own, made afresh in the
// temporary directory: a second unpacking meanwhile, and a link planted at the
// name all unpackings once shared, change nothing.
TEST_F(SplitArchiveTest, EachUnpackingHasItsOwnTemporaryFile) {
    packOntoFloppies();
    std::filesystem::copy(path("floppy"), path("floppy2"));
    std::filesystem::rename(path("floppy/a:backup.qx2"), path("elsewhere.qx2"));
    writeFile(path("victim"), "victim");
    std::filesystem::create_symlink(path("victim"), path("tmp/QXDatas.tmp"));

    TQXZip first(messages);
    std::string firstTemporary;
    messages.answer = [&](const ScriptedMessageBox::Shown&) {
        firstTemporary = first.GetTempFileName();
        EXPECT_EQ(std::filesystem::symlink_status(firstTemporary).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        ScriptedMessageBox quiet{ScriptedMessageBox::Unscripted::Yes};
        TQXZip second(quiet);
        EXPECT_TRUE(second.UnZip(path("floppy2/a:backup.BAK"), path("second.dat"), kVersion));
        std::filesystem::rename(path("elsewhere.qx2"), path("floppy/a:backup.qx2"));
        return MessageAnswer::Ok;
    };
    ASSERT_TRUE(first.UnZip(path("floppy/a:backup.BAK"), path("first.dat"), kVersion));
    EXPECT_EQ(readFile(path("first.dat")), input);
    EXPECT_EQ(readFile(path("second.dat")), input);
    EXPECT_EQ(readFile(path("victim")), "victim");

    EXPECT_EQ(std::filesystem::path(firstTemporary).parent_path(), path("tmp"));
    EXPECT_NE(std::filesystem::path(firstTemporary).filename(), "QXDatas.tmp");
    EXPECT_FALSE(fileExists(firstTemporary));
    // Only the planted link is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path("tmp")),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(SplitArchiveTest, OutputMayNotBeOneOfTheVolumes) {
    packOntoFloppies();
    const std::string volume = readFile(path("floppy/a:backup.qx2"));
    TQXZip zip(messages);
    EXPECT_FALSE(zip.UnZip(path("floppy/a:backup.BAK"), path("floppy/a:backup.qx2"), kVersion));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"源文件不能和目标文件文件名相同。"});
    EXPECT_EQ(readFile(path("floppy/a:backup.qx2")), volume);
}

TEST_F(SplitArchiveTest, FirstLetterOfTheOutputChoosesTheDisk) {
    writeFile(path("input.dat"), input);
    struct Case {
        std::string outFile;
        std::string written;  // where the archive lands
        const char* drive;
    };
    for (const Case& c : {Case{"b.bak", path("floppy/b.bak"), " B: "},
                          Case{"Backup.bak", path("floppy/Backup.bak"), " B: "},
                          Case{"A.bak", path("floppy/A.bak"), " A: "},
                          Case{path("c.bak"), path("c.bak"), nullptr}}) {
        SCOPED_TRACE(c.outFile);
        messages.shown.clear();
        FixedVolumeMedia media(path("floppy"), 1 << 20);
        TQXZip zip(messages, &media);
        ASSERT_TRUE(zip.Zip(path("input.dat"), c.outFile, kVersion, "1", "n"));
        EXPECT_EQ(zip.OutDiskType, c.drive ? TOutDiskType::odtFloppy : TOutDiskType::odtHard);
        if (c.drive) {
            EXPECT_EQ(messages.texts(), std::vector<std::string>{std::string("请插入软盘到驱动器") +
                                                                 c.drive + "中并按确定。"});
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
        ASSERT_TRUE(zip.UnZip(c.written, path("out.dat"), kVersion));
        EXPECT_EQ(readFile(path("out.dat")), input);
        std::filesystem::remove(path("out.dat"));
    }
}

}  // namespace
