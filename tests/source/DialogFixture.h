#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "DialogDoubles.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "source/SourceAccess.h"
#include "support/ScriptedMessageBox.h"

namespace sourcetest {

// What a dialog borrows, plus a scratch directory that is also the archive
// component's temporary directory (so parallel tests do not share its file) and
// a record of the waits the dialog asked for.
class DialogFixture : public ::testing::Test {
protected:
    DialogFixture();
    ~DialogFixture() override;

    source::SourceAccess access() {
        return {con, qry, [] { return true; }};
    }
    std::string dir() const { return scratch_.path().toStdString(); }
    std::string path(const std::string& name) const { return dir() + "/" + name; }
    void writeFile(const std::string& path, const std::string& bytes) const;

    template <class Widget>
    static Widget* child(QWidget& dialog, const char* name) {
        auto* widget = dialog.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static std::string text(QWidget& dialog, const char* name) {
        return child<QLineEdit>(dialog, name)->text().toStdString();
    }
    static void click(QWidget& dialog, const char* name) {
        child<QPushButton>(dialog, name)->click();
    }

    db::SourceConnection con;
    db::SourceQuery qry{con};
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::Yes};
    ScriptedChooser chooser;
    std::vector<int> waits;

private:
    QTemporaryDir scratch_;
    std::string savedTmpDir_;
};

}  // namespace sourcetest

namespace sourcetest {

// Packs `input` into a backup archive with the archive component; with a
// volume size, cuts it into volumes of that size beside `archive` (the first
// keeps the archive's name).
void makeArchive(support::ScriptedMessageBox& messages, const std::string& input,
                 const std::string& archive, const std::string& productVersion,
                 const std::string& code, const std::string& name, std::int64_t volumeSize = 0);

}  // namespace sourcetest
