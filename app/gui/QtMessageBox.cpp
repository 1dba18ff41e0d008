#include "QtMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <utility>

namespace gui {

namespace {
QMessageBox::Icon toQt(core::MessageIcon icon) {
    switch (icon) {
        case core::MessageIcon::Warning:
            return QMessageBox::Warning;
        case core::MessageIcon::Information:
            return QMessageBox::Information;
        case core::MessageIcon::Error:
            return QMessageBox::Critical;
        case core::MessageIcon::Question:
            return QMessageBox::Question;
        case core::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString lineBreaks(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n").replace('\r', '\n');
}
}  // namespace

core::MessageAnswer QtMessageBox::show(const std::string& caption, const std::string& text,
                                       core::MessageIcon icon, core::MessageButtons buttons) {
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    if (buttons == core::MessageButtons::YesNo) qtButtons = QMessageBox::Yes | QMessageBox::No;
    if (buttons == core::MessageButtons::OkCancel)
        qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(toQt(icon), QString::fromStdString(caption), lineBreaks(text), qtButtons,
                    parent_);
    // The tool speaks Chinese whether or not Qt's own translation could be loaded.
    const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Ok, "确定"},
        {QMessageBox::Yes, "是"},
        {QMessageBox::No, "否"},
        {QMessageBox::Cancel, "取消"}};
    for (const auto& [button, label] : texts) {
        if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(label));
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return core::MessageAnswer::Yes;
        case QMessageBox::No:
            return core::MessageAnswer::No;
        case QMessageBox::Ok:
            return core::MessageAnswer::Ok;
        default:
            break;
    }
    // Closing a box without a button counts as its negative answer.
    return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::No
                                                  : core::MessageAnswer::Cancel;
}

}  // namespace gui
