#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>

#include "FormFixture.h"
#include "ServerFixture.h"
#include "core/Cp936.h"

namespace {

QStringList entries(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

// Both lists through the window: filled on the first drop-down only, the product
// prefix filter, the first entry selected, and the side's settings saved as typed.
TEST(DatabaseListTest, DropDownListsTheAccountSetsAndSavesTheSide) {
    support::TdsTestServer server;
    fixtures::TargetAccountSet target("qxlisttgt");
    support::TempPgDatabase bare("qx");  // "qx_<pid>_<n>": still an account-set name
    apptest::FormFixture f;
    gui::TCopyDataForm& w = *f.form;
    app::SideFields t = apptest::targetFields("");
    app::SideFields s = apptest::sourceFields(server, "");
    f.fill({" " + s.server + " ", s.port, s.user, s.password, ""},
           {t.server + "  ", t.port, t.user, t.password, ""});

    ASSERT_TRUE(f.dropDown(w.edtDataTarget));
    ASSERT_TRUE(f.messages.shown.empty()) << f.messages.shown[0].text;
    QStringList names = entries(w.edtDataTarget);
    EXPECT_TRUE(names.contains(QString::fromStdString(target.name())))
        << names.join(",").toStdString();
    EXPECT_TRUE(names.contains(QString::fromStdString(bare.name())));
    EXPECT_FALSE(names.contains("postgres"));
    EXPECT_EQ(w.edtDataTarget->currentText(), names.front());
    std::string ini = core::fromCp936(f.dir.read("config.ini"));
    EXPECT_NE(ini.find("SQLIP=" + t.server + "  "), std::string::npos) << "saved untrimmed:\n"
                                                                       << ini;

    // A filled list is shown as it is, without asking the server again.
    support::TempPgDatabase later("qxlater");
    ASSERT_TRUE(f.dropDown(w.edtDataTarget));
    EXPECT_EQ(entries(w.edtDataTarget), names);

    // A refreshed list keeps the chosen database while the server still has it;
    // the list opens once it is filled.
    const QString chosen = QString::fromStdString(target.name());
    ASSERT_NE(names.front(), chosen);
    w.edtDataTarget->setCurrentIndex(names.indexOf(chosen));
    w.edtServerTarget->setText(QString::fromStdString(t.server + " "));
    ASSERT_EQ(w.edtDataTarget->count(), 0);
    {
        QSignalSpy done(&w, &gui::TCopyDataForm::backgroundFinished);
        w.edtDataTarget->showPopup();
        ASSERT_TRUE(done.wait(120000));
        EXPECT_TRUE(w.edtDataTarget->view()->isVisible());
        w.edtDataTarget->hidePopup();
    }
    EXPECT_TRUE(entries(w.edtDataTarget).contains(QString::fromStdString(later.name())));
    EXPECT_EQ(w.edtDataTarget->currentText(), chosen);

    fixtures::SourceAccountSet source("qxlistsrc", 0);
    ASSERT_TRUE(f.dropDown(w.edtDataSource));
    ASSERT_TRUE(f.messages.shown.empty()) << f.messages.shown[0].text;
    EXPECT_TRUE(entries(w.edtDataSource).contains(QString::fromStdString(source.name())))
        << entries(w.edtDataSource).join(",").toStdString();
    ini = core::fromCp936(f.dir.read("config.ini"));
    EXPECT_NE(ini.find("SQLIP= " + s.server + " "), std::string::npos) << ini;
    EXPECT_NE(ini.find("SQLPort=" + s.port), std::string::npos) << ini;
}

}  // namespace
