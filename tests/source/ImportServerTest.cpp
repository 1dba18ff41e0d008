#include <QDialog>
#include <filesystem>

#include "DialogFixture.h"
#include "SourceServer.h"
#include "core/TextRules.h"
#include "source/TImportForm.h"

namespace {

using core::MessageIcon;
using sourcetest::DialogFixture;
namespace fs = std::filesystem;

class ImportOnServer : public DialogFixture {
protected:
    ImportOnServer() : server("Imp"), form(access(), messages, chooser) {
        server.openMaster(con);
        form.setWait([this](int ms) { waits.push_back(ms); });
        form.show();
    }

    void select(const std::string& file) {
        chooser.files.push_back(file);
        click(form, "btnSelectFile");
    }
    void pressImport() {
        messages.shown.clear();
        click(form, "btnImport");
    }

    sourcetest::SourceServer server;
    source::TImportForm form;
};

TEST_F(ImportOnServer, AttachesTheFileAndDeletesItsOldLogs) {
    // The apostrophe must stay inside the attach statement's literal.
    std::string folder = path("o'brien files");
    fs::create_directory(folder);
    std::string file = folder + "/QX001_" + server.code() + ".MDF";
    server.writeDataFile(file);
    ASSERT_TRUE(fs::exists(folder + "/QX001_" + server.code() + "_log.LDF"));
    writeFile(folder + "/QX001_" + server.code() + ".LDF", "old log");
    writeFile(folder + "/notes.txt", "keep");

    // While the dialog waits, a second press does nothing and it cannot be closed.
    form.setWait([&](int ms) {
        waits.push_back(ms);
        click(form, "btnImport");
        form.reject();
        EXPECT_TRUE(form.isVisible());
    });
    select(file);
    EXPECT_EQ(text(form, "edtAccCode"), server.code());
    pressImport();

    // The server reports the log file it rebuilt as an error: still a success.
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"确定继续引入？"});
    EXPECT_EQ(waits, std::vector<int>{2000});
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.databaseName(), server.createdName());
    EXPECT_FALSE(fs::exists(folder + "/QX001_" + server.code() + ".LDF"));
    EXPECT_FALSE(fs::exists(folder + "/QX001_" + server.code() + "_log.LDF"));
    EXPECT_TRUE(fs::exists(folder + "/notes.txt"));
    EXPECT_TRUE(server.databaseExists(con, server.createdName()));
    EXPECT_EQ(server.rowsIn(server.createdName()), 3);
}

TEST_F(ImportOnServer, FailedAttachNamesTheReasonAndLogsAreGoneAnyway) {
    struct Case {
        const char* name;
        bool directory;  // a directory where the server expects the file: it cannot open it
        const char* expected;
    } cases[] = {
        {"Unopenable", true, "无法打开物理文件!"},
        {"Damaged", false, "无法引入帐套,可能文件已被破坏!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = path(std::string(c.name) + ".MDF");
        if (c.directory)
            fs::create_directory(file);
        else
            writeFile(file, "not a data file");
        writeFile(path(std::string(c.name) + ".LDF"), "old");
        writeFile(path(std::string(c.name) + "_log.LDF"), "old");

        select(file);
        child<QLineEdit>(form, "edtAccCode")->setText(QString::fromStdString(server.code()));
        pressImport();

        EXPECT_EQ(messages.texts(), (std::vector<std::string>{"确定继续引入？", c.expected}));
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Information);
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(fs::exists(path(std::string(c.name) + ".LDF")));
        EXPECT_FALSE(fs::exists(path(std::string(c.name) + "_log.LDF")));
        EXPECT_FALSE(server.databaseExists(con, server.createdName()));
    }
    EXPECT_TRUE(waits.empty());
}

TEST_F(ImportOnServer, NameTakenInAnotherCaseIsRefusedBeforeAnythingIsDeleted) {
    std::string file = path("QX_" + server.code() + ".MDF");
    server.writeDataFile(file);
    std::string log = path("QX_" + server.code() + "_log.LDF");
    server.createDatabase(core::toLowerAscii(server.createdName()));

    select(file);
    pressImport();

    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"确定继续引入？", "存在相同的帐套名!"}));
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Error);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(fs::exists(log));
    EXPECT_TRUE(waits.empty());
}

}  // namespace
