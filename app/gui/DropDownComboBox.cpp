#include "DropDownComboBox.h"

namespace gui {

DropDownComboBox::DropDownComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void DropDownComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

}  // namespace gui
