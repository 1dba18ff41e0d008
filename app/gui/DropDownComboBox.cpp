#include "DropDownComboBox.h"

namespace gui {

DropDownComboBox::DropDownComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void DropDownComboBox::showPopup() {
    deferred_ = false;
    emit dropDown();
    if (deferred_) {
        deferred_ = false;
        return;
    }
    QComboBox::showPopup();
}

}  // namespace gui
