#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <exception>

#include "QtMessageBox.h"
#include "QtTranslation.h"
#include "TCopyDataForm.h"
#include "core/MessageBox.h"
#include "core/ProgramDir.h"
#include "source/DialogFileChooser.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(gui::TCopyDataForm::kApplicationTitle));
    gui::installQtTranslation(application);
    gui::QtMessageBox messages;
    source::DialogFileChooser chooser(nullptr);
    try {
        gui::FormServices services{
            messages,
            chooser,
            [](const std::string& directory) {
                QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(directory)));
            },
            core::executableDir(),
            "loadtable.txt",
            {}};
        gui::TCopyDataForm CopyDataForm(std::move(services));
        messages.setParent(&CopyDataForm);
        CopyDataForm.show();
        int status = application.exec();
        messages.setParent(nullptr);
        return status;
    } catch (const std::exception& e) {
        messages.setParent(nullptr);
        messages.show(gui::TCopyDataForm::kApplicationTitle, e.what(), core::MessageIcon::Error,
                      core::MessageButtons::Ok);
        return 1;
    }
}
