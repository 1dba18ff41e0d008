#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "DialogFixture.h"
#include "source/TImportForm.h"

namespace {

using core::MessageAnswer;
using core::MessageIcon;
using sourcetest::DialogFixture;

class ImportForm : public DialogFixture {
protected:
    ImportForm() : form(access(), messages, chooser) {
        form.setWait([this](int ms) { waits.push_back(ms); });
        form.show();
    }

    void choose(const std::string& file) {
        chooser.files.push_back(file);
        click(form, "btnSelectFile");
    }

    source::TImportForm form;
};

TEST_F(ImportForm, ChoosingProposesTheCodeAndCancellingEmptiesBoth) {
    EXPECT_EQ(form.windowTitle().toStdString(), "引入源账套");
    choose(path("QX001_Alpha.MDF"));
    EXPECT_EQ(text(form, "edtSelectFile"), path("QX001_Alpha.MDF"));
    EXPECT_EQ(text(form, "edtAccCode"), "Alpha");
    EXPECT_EQ(chooser.lastSuffix, "MDF");
    EXPECT_NE(chooser.lastFilter.find("*.MDF"), std::string::npos);

    choose("");
    EXPECT_EQ(text(form, "edtSelectFile"), "");
    EXPECT_EQ(text(form, "edtAccCode"), "");
    EXPECT_TRUE(messages.shown.empty());
}

// Refusals that come before the server is asked anything: each shows its box
// and leaves the dialog open with its fields as they were.
TEST_F(ImportForm, RefusalsLeaveTheDialogAsItWas) {
    writeFile(path("Here.MDF"), "data");
    struct Case {
        const char* name;
        std::string file;  // "" = none chosen
        const char* code;
        std::vector<MessageAnswer> answers;
        std::vector<std::string> expected;
        MessageIcon lastIcon;
    } cases[] = {
        {"invalid code",
         path("Here.MDF"),
         "a.b",
         {},
         {"账套代号不允许含'.'号！请使用数字、字母、汉字！"},
         MessageIcon::Warning},
        {"hidden file's own name",
         path(".hidden"),
         nullptr,
         {},
         {"账套代号不允许含'.'号！请使用数字、字母、汉字！"},
         MessageIcon::Warning},
        {"no file", "", "ABC", {}, {"请选择引入文件！"}, MessageIcon::Warning},
        {"declined",
         path("Here.MDF"),
         "ABC",
         {MessageAnswer::No},
         {"确定继续引入？"},
         MessageIcon::Information},
        {"missing file",
         path("Gone.MDF"),
         "ABC",
         {MessageAnswer::Yes},
         {"确定继续引入？", "数据文件不存在"},
         MessageIcon::Information},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        messages.answers.assign(c.answers.begin(), c.answers.end());
        choose(c.file);
        if (c.code) child<QLineEdit>(form, "edtAccCode")->setText(QString::fromUtf8(c.code));
        std::string code = text(form, "edtAccCode");

        click(form, "btnImport");

        EXPECT_EQ(messages.texts(), c.expected);
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().caption, "提示");
        EXPECT_EQ(messages.shown.back().icon, c.lastIcon);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
        EXPECT_EQ(text(form, "edtSelectFile"), c.file);
        EXPECT_EQ(text(form, "edtAccCode"), code);
        EXPECT_TRUE(waits.empty());
    }
}

TEST_F(ImportForm, InvalidCodePutsTheFocusBackIntoIt) {
    child<QLineEdit>(form, "edtAccCode")->setText("A B");
    child<QPushButton>(form, "btnImport")->setFocus();
    click(form, "btnImport");
    EXPECT_EQ(form.focusWidget(), child<QLineEdit>(form, "edtAccCode"));
}

}  // namespace

namespace {

// The dialogs' own pause: the window goes on handling its events meanwhile.
TEST(PaintedWait, EventsAreHandledWhileWaiting) {
    bool handled = false;
    QTimer::singleShot(10, [&] { handled = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    source::paintedWait(100);
    EXPECT_TRUE(handled);
    EXPECT_GE(elapsed.elapsed(), 95);
}

}  // namespace
