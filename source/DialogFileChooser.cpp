#include "DialogFileChooser.h"

#include <QFileDialog>

namespace source {

std::string DialogFileChooser::openFile(const std::string& caption, const std::string& filter,
                                        const std::string& defaultSuffix) {
    QFileDialog dialog(parent_, QString::fromStdString(caption));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

std::string DialogFileChooser::chooseDirectory(const std::string& caption,
                                               const std::string& start) {
    return QFileDialog::getExistingDirectory(parent_, QString::fromStdString(caption),
                                             QString::fromStdString(start))
        .toStdString();
}

}  // namespace source
