#pragma once

#include "core/MessageBox.h"

class QWidget;

namespace gui {

// Message boxes as QMessageBoxes over `parent`, buttons labelled 确定, 是, 否 and
// 取消. Main thread only.
class QtMessageBox : public core::MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override;

private:
    QWidget* parent_;
};

}  // namespace gui
