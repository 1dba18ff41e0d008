// Draws the main window as an operator sees it before Start into a PNG file:
//   app_screenshot OUTPUT.png
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <iostream>

#include "app/gui/DropDownComboBox.h"
#include "app/gui/QtMessageBox.h"
#include "app/gui/TCopyDataForm.h"
#include "source/DialogFileChooser.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: app_screenshot OUTPUT.png\n";
        return 2;
    }
    QTemporaryDir dir;
    QFile list(dir.filePath("loadtable.txt"));
    list.open(QIODevice::WriteOnly);
    list.close();

    gui::QtMessageBox messages;
    source::DialogFileChooser chooser(nullptr);
    gui::FormServices services{messages,
                               chooser,
                               {},
                               dir.path().toStdString(),
                               dir.filePath("loadtable.txt").toStdString(),
                               {}};
    gui::TCopyDataForm form(std::move(services));
    form.edtPWSource->setText("••••••");
    form.edtDataSource->addItems({"QXLirToOrbit_001", "qxacc01"});
    form.edtPWTarget->setText("••••••");
    form.edtDataTarget->addItem("qxnew01");
    form.Memo->setPlainText(QString::fromUtf8("\n开始导入…"));
    form.show();
    application.processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
