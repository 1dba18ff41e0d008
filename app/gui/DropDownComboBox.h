#pragma once

#include <QComboBox>

namespace gui {

// An editable drop-down list that tells its owner when the operator opens the
// list, before it is shown, so the owner can fill an empty list first.
class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownComboBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void dropDown();
};

}  // namespace gui
