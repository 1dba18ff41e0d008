#include <QDialog>
#include <filesystem>
#include <random>

#include "DialogFixture.h"
#include "source/TReStoreForm.h"

namespace {

using core::MessageAnswer;
using core::MessageIcon;
using sourcetest::DialogFixture;
namespace fs = std::filesystem;

constexpr const char* kNotABackup = "该文件不是MSSQL版《Quoxel财务》的备份文件！";

class ReStoreForm : public DialogFixture {
protected:
    ReStoreForm() : form(access(), messages, chooser) {
        form.setWait([this](int ms) { waits.push_back(ms); });
        form.show();
        // Incompressible, so that small volumes need more than one.
        std::mt19937 random(7);
        std::string bytes(3000, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        writeFile(path("set.dat"), bytes);
    }

    void choose(const std::string& file) {
        chooser.files.push_back(file);
        click(form, "btnSeleteFile");
    }
    void chooseDirectory(const std::string& directory) {
        chooser.directories.push_back(directory);
        click(form, "btnDataDir");
    }
    void archiveAs(const std::string& name, const std::string& code = "ABC") {
        sourcetest::makeArchive(messages, path("set.dat"), path(name), "QXLedgerSuite", code,
                                "总部\t示范公司");
    }

    source::TReStoreForm form;
};

TEST_F(ReStoreForm, SelectionReadsTheHeaderOrRefusesTheFile) {
    EXPECT_EQ(form.windowTitle().toStdString(), "恢复源账套");
    archiveAs("Good.BAK", "ABC");
    fs::copy_file(path("Good.BAK"), path("lower.bak"));
    sourcetest::makeArchive(messages, path("set.dat"), path("ASplit.BAK"), "QXLedgerSuite", "SPL",
                            "x", 1200);
    ASSERT_TRUE(fs::exists(path("ASplit.qx1")));
    {
        std::string bad(200, 'x');
        bad[0] = 32;
        writeFile(path("Bad.BAK"), bad);
    }
    fs::copy_file(path("Good.BAK"), path("Short.BAK"));
    fs::resize_file(path("Short.BAK"), 150);

    struct Case {
        const char* file;
        const char* code;  // nullptr: refused
    } cases[] = {
        {"Good.BAK", "ABC"},  {"lower.bak", nullptr}, {"ASplit.BAK", "SPL"},
        {"Bad.BAK", nullptr}, {"Short.BAK", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        messages.shown.clear();
        choose(path("Good.BAK"));
        child<QLineEdit>(form, "edtAccCode")->setText("typed");
        choose(path(c.file));
        if (c.code) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(text(form, "edtSelectFile"), path(c.file));
            EXPECT_EQ(text(form, "edtAccCode"), c.code);
        } else {
            EXPECT_EQ(messages.texts(), std::vector<std::string>{kNotABackup});
            EXPECT_EQ(messages.shown.back().icon, MessageIcon::Warning);
            EXPECT_EQ(text(form, "edtSelectFile"), "");
            EXPECT_EQ(text(form, "edtAccCode"), "");
        }
    }
    EXPECT_EQ(chooser.lastSuffix, "BAK");
    EXPECT_NE(chooser.lastFilter.find("*.BAK"), std::string::npos);

    // Cancelling keeps what was chosen before.
    choose(path("Good.BAK"));
    choose("");
    EXPECT_EQ(text(form, "edtSelectFile"), path("Good.BAK"));
    EXPECT_EQ(text(form, "edtAccCode"), "ABC");
}

TEST_F(ReStoreForm, UnreadableChoiceShowsTheSystemError) {
    choose(path("Missing.BAK"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_NE(messages.shown[0].text, kNotABackup);
    EXPECT_TRUE(form.isVisible());
}

// Refusals before the server is asked anything.
TEST_F(ReStoreForm, RefusalsLeaveTheDialogAsItWas) {
    archiveAs("Good.BAK");
    archiveAs("Vanishing.BAK");
    struct Case {
        const char* name;
        const char* archive;    // nullptr: none chosen
        const char* directory;  // relative to the scratch directory; nullptr: none chosen
        const char* code;
        std::vector<MessageAnswer> answers;
        std::vector<std::string> expected;
        MessageIcon lastIcon;
        const char* lastCaption;
    } cases[] = {
        {"no directory",
         "Good.BAK",
         nullptr,
         "ABC",
         {},
         {"数据目录不能为空！"},
         MessageIcon::Warning,
         "提示"},
        {"long code, no directory",
         "Good.BAK",
         nullptr,
         "123456789012345678901",
         {},
         {"数据目录不能为空！"},
         MessageIcon::Warning,
         "提示"},
        {"long code",
         "Good.BAK",
         "",
         "123456789012345678901",
         {},
         {"帐套代号长度不能大于20(一个汉字2个长度)！"},
         MessageIcon::Warning,
         "提示"},
        {"no archive", nullptr, "", "ABC", {}, {"请选择备份文件！"}, MessageIcon::Warning, "提示"},
        {"declined",
         "Good.BAK",
         "",
         "ABC",
         {MessageAnswer::No},
         {"确定继续恢复？"},
         MessageIcon::Information,
         "提示"},
        {"archive vanished",
         "Vanishing.BAK",
         "",
         "ABC",
         {MessageAnswer::Yes},
         {"确定继续恢复？", "备份文件不存在!"},
         MessageIcon::Error,
         "错误"},
        {"directory not to be created",
         "Good.BAK",
         "new",
         "ABC",
         {MessageAnswer::Yes, MessageAnswer::No},
         {"确定继续恢复？", "数据目录不存在,是否创建？"},
         MessageIcon::Information,
         "提示"},
        {"directory without parent",
         "Good.BAK",
         "no/such",
         "ABC",
         {MessageAnswer::Yes, MessageAnswer::Yes},
         {"确定继续恢复？", "数据目录不存在,是否创建？", "创建指定的数据目录失败!"},
         MessageIcon::Error,
         "错误"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        source::TReStoreForm fresh(access(), messages, chooser);
        fresh.setWait([this](int ms) { waits.push_back(ms); });
        fresh.show();
        if (c.archive) {
            chooser.files.push_back(path(c.archive));
            click(fresh, "btnSeleteFile");
        }
        if (c.directory) {
            chooser.directories.push_back(path(c.directory));
            click(fresh, "btnDataDir");
        }
        if (std::string(c.name) == "archive vanished") fs::remove(path(c.archive));
        child<QLineEdit>(fresh, "edtAccCode")->setText(c.code);
        messages.shown.clear();
        messages.answers.assign(c.answers.begin(), c.answers.end());

        click(fresh, "btnRestore");

        EXPECT_EQ(messages.texts(), c.expected);
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().icon, c.lastIcon);
        EXPECT_EQ(messages.shown.back().caption, c.lastCaption);
        EXPECT_EQ(fresh.result(), QDialog::Rejected);
        EXPECT_TRUE(fresh.isVisible());
        EXPECT_EQ(text(fresh, "edtAccCode"), c.code);
        EXPECT_EQ(text(fresh, "edtDBDir"), c.directory ? path(c.directory) : "");
        if (c.expected.front() == "数据目录不能为空！") {
            EXPECT_EQ(fresh.focusWidget(), child<QPushButton>(fresh, "btnDataDir"));
        }
    }
    EXPECT_FALSE(fs::exists(path("new")));
    EXPECT_TRUE(waits.empty());
}

}  // namespace
