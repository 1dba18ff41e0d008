#include "BusyAction.h"

#include <QApplication>
#include <QObject>

namespace source {

BusyAction::BusyAction(QMetaObject::Connection& handler, Attach attach, bool& busy)
    : handler_(handler), attach_(std::move(attach)), busy_(busy) {
    QObject::disconnect(handler_);
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyAction::~BusyAction() noexcept {
    QApplication::restoreOverrideCursor();
    busy_ = false;
    handler_ = attach_();
}

}  // namespace source
