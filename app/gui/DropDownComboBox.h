#pragma once

#include <QComboBox>

namespace gui {

// An editable drop-down list that tells its owner when the operator opens the
// list, before it is shown, so the owner can fill an empty list first. An owner
// that fills it later (off the window's thread) calls deferPopup() from its
// dropDown handler and showPopup() again once the entries are there.
class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownComboBox(QWidget* parent = nullptr);
    void showPopup() override;
    // Only from a dropDown handler: this opening shows nothing.
    void deferPopup() { deferred_ = true; }

signals:
    void dropDown();

private:
    bool deferred_ = false;
};

}  // namespace gui
