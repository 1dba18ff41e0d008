// Pictures of the window for the README, from a real run: the window before
// Start, during a run (about half of the tables done) and the report at the end.
//   app_screenshot OUTPUT_DIR [ROWS]
// Needs the suite's PostgreSQL cluster (LIR2ORBIT_TEST_PG); scripts/screenshots
// provides it. Writes main-window.png, window-during-run.png and run-report.png.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <iostream>

#include "app/gui/DropDownComboBox.h"
#include "app/gui/QtTranslation.h"
#include "app/gui/RunProgressView.h"
#include "app/gui/RunReportDialog.h"
#include "app/gui/TCopyDataForm.h"
#include "core/MessageBox.h"
#include "fixtures/AccountSets.h"
#include "fixtures/ProgramDirectory.h"
#include "source/FileChooser.h"
#include "support/PgTestEnv.h"
#include "support/TdsTestServer.h"

namespace {

// Answers every question with Yes, as the operator of these pictures does.
class YesMessageBox : public core::MessageBox {
public:
    core::MessageAnswer show(const std::string&, const std::string& text, core::MessageIcon,
                             core::MessageButtons buttons) override {
        std::cerr << "box: " << text << "\n";
        return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::Yes
                                                      : core::MessageAnswer::Ok;
    }
};

class NoFiles : public source::FileChooser {
public:
    std::string openFile(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string chooseDirectory(const std::string&, const std::string&) override { return {}; }
};

std::string conninfoValue(const std::string& key, const std::string& fallback) {
    std::string info = support::pgConnInfo();
    size_t at = info.find(key + "=");
    if (at == std::string::npos) return fallback;
    size_t end = info.find(' ', at);
    return info.substr(at + key.size() + 1,
                       end == std::string::npos ? end : end - at - key.size() - 1);
}

bool save(QWidget& widget, const QDir& dir, const char* name) {
    QApplication::processEvents();
    if (widget.grab().save(dir.filePath(name))) return true;
    std::cerr << "cannot write " << dir.filePath(name).toStdString() << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: app_screenshot OUTPUT_DIR [ROWS]\n";
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    int rows = argc > 2 ? std::atoi(argv[2]) : 4000;
    gui::installQtTranslation(application);

    support::TdsTestServer server;
    fixtures::SourceAccountSet source("qxacc", rows);
    fixtures::TargetAccountSet target("qxnew");
    fixtures::ProgramDirectory dir;
    dir.write("loadtable.txt", "");

    YesMessageBox messages;
    NoFiles chooser;
    gui::FormServices services{messages, chooser, {}, dir.path(), dir.file("loadtable.txt"), {}};
    gui::TCopyDataForm form(std::move(services));
    form.edtServerSource->setText("127.0.0.1");
    form.edtPortSource->setText(QString::number(server.port()));
    form.edtUserSource->setText(QString::fromStdString(server.user()));
    form.edtPWSource->setText(QString::fromStdString(server.password()));
    form.edtDataSource->setEditText(QString::fromStdString(source.name()));
    form.edtServerTarget->setText(QString::fromStdString(conninfoValue("host", "127.0.0.1")));
    form.edtPortTarget->setText(QString::fromStdString(conninfoValue("port", "5432")));
    form.edtUserTarget->setText(QString::fromStdString(conninfoValue("user", "postgres")));
    form.edtPWTarget->setText("postgres");
    form.edtDataTarget->setEditText(QString::fromStdString(target.name()));
    form.show();
    if (!save(form, out, "main-window.png")) return 1;

    QSignalSpy finished(&form, &gui::TCopyDataForm::runFinished);
    bool during = false;
    QObject::connect(form.runProgress->bar(), &QProgressBar::valueChanged, &form, [&] {
        QProgressBar* bar = form.runProgress->bar();
        if (!during && bar->maximum() > 1 && bar->value() * 2 >= bar->maximum() &&
            bar->format().contains(QString::fromUtf8("行"))) {
            during = true;
            save(form, out, "window-during-run.png");
        }
    });
    form.btOK->click();
    if (!finished.wait(600000)) {
        std::cerr << "the run did not end\n";
        return 1;
    }
    if (!during) std::cerr << "no progress was shown during the run\n";
    if (!form.reportDialog()) {
        std::cerr << "no report\n";
        return 1;
    }
    if (!save(*form.reportDialog(), out, "run-report.png")) return 1;
    return finished.at(0).at(0).toBool() && during ? 0 : 1;
}
