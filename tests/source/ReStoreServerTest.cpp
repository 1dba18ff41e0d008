#include <QDialog>
#include <filesystem>

#include "DialogFixture.h"
#include "SourceServer.h"
#include "core/TextRules.h"
#include "source/TReStoreForm.h"

namespace {

using core::MessageAnswer;
using core::MessageIcon;
using sourcetest::DialogFixture;
namespace fs = std::filesystem;

class ReStoreOnServer : public DialogFixture {
protected:
    ReStoreOnServer() : server("Rst", 400), form(access(), messages, chooser) {
        server.openMaster(con);
        form.setWait([this](int ms) { waits.push_back(ms); });
        form.show();
        server.writeBackupSet(path("legacy.bak-set"));
    }

    // Packs the backup set as `archive` (with a volume size: into volumes).
    void archiveAs(const std::string& archive, const std::string& version = "QXLedgerSuite",
                   std::int64_t volumeSize = 0) {
        sourcetest::makeArchive(messages, path("legacy.bak-set"), path(archive), version,
                                server.code(), "示范公司", volumeSize);
    }

    void restore(const std::string& archive, const std::string& directory) {
        chooser.files.push_back(path(archive));
        click(form, "btnSeleteFile");
        chooser.directories.push_back(directory);
        click(form, "btnDataDir");
        ASSERT_EQ(text(form, "edtAccCode"), server.code());
        messages.shown.clear();
        click(form, "btnRestore");
    }

    void expectRestored(const std::string& directory) {
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(form.databaseName(), server.createdName());
        EXPECT_TRUE(fs::is_regular_file(directory + "/" + server.createdName() + ".mdf"));
        EXPECT_TRUE(fs::is_regular_file(directory + "/" + server.createdName() + ".ldf"));
        EXPECT_FALSE(fs::exists(directory + "/cwtemp.mdf"));
        EXPECT_EQ(server.rowsIn(server.createdName()), 400);
    }

    void expectNotRestored() {
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.databaseName(), "");
        EXPECT_FALSE(server.databaseExists(con, server.createdName()));
    }

    sourcetest::SourceServer server;
    source::TReStoreForm form;
};

TEST_F(ReStoreOnServer, RestoresWithItsFilesInTheNewDataDirectory) {
    archiveAs("Legacy.BAK");
    // No trailing "/", not there yet, and an apostrophe for the statements to carry.
    std::string directory = path("data o'dir");

    // While the dialog waits, a second press does nothing and it cannot be closed.
    form.setWait([&](int ms) {
        waits.push_back(ms);
        click(form, "btnRestore");
        form.reject();
        EXPECT_TRUE(form.isVisible());
    });
    restore("Legacy.BAK", directory);

    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"确定继续恢复？", "数据目录不存在,是否创建？"}));
    EXPECT_EQ(waits, std::vector<int>{5000});
    expectRestored(directory);
}

TEST_F(ReStoreOnServer, FirstVolumeOfASplitArchiveRestores) {
    archiveAs("ASplit.BAK", "QXLedgerSuite", 2048);
    ASSERT_TRUE(fs::exists(path("ASplit.qx1")));
    restore("ASplit.BAK", dir());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"确定继续恢复？"});
    expectRestored(dir());
}

TEST_F(ReStoreOnServer, AnotherProductVersionIsRefusedByTheUnpacking) {
    archiveAs("Other.BAK", "QXOtherSuite");
    restore("Other.BAK", dir());
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"确定继续恢复？", "不同的Quoxel软件产品版本！"}));
    EXPECT_EQ(messages.shown.back().caption, "QXZip");
    EXPECT_FALSE(fs::exists(path("cwtemp.mdf")));
    EXPECT_TRUE(waits.empty());
    expectNotRestored();
}

TEST_F(ReStoreOnServer, NameTakenInAnotherCaseIsRefused) {
    server.createDatabase(core::toLowerAscii(server.createdName()));
    archiveAs("Legacy.BAK");
    restore("Legacy.BAK", dir());
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"确定继续恢复？", "存在相同的帐套名!"}));
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Error);
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(ReStoreOnServer, FiveFailedAttemptsEndWithTheDiskSpaceMessage) {
    archiveAs("Legacy.BAK");
    // The server cannot create the data file where a directory stands.
    fs::create_directory(path(server.createdName() + ".mdf"));
    restore("Legacy.BAK", dir());
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"确定继续恢复？",
                                        "恢复时,创建帐套数据库失败! 请检查磁盘是否足够!"}));
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Error);
    EXPECT_EQ(waits, std::vector<int>(5, 5000));
    EXPECT_TRUE(fs::exists(path("cwtemp.mdf")));  // kept for the next attempt to replace
    expectNotRestored();
}

}  // namespace
