#pragma once

#include <QMetaObject>
#include <functional>

namespace source {

// The busy state of a dialog's action for one press: the action button's click
// handler is detached (further clicks do nothing) and the wait cursor shown;
// both are undone on every way out, an exception included. `busy` reads true
// meanwhile, so the dialog can also refuse to close.
class BusyAction {
public:
    using Attach = std::function<QMetaObject::Connection()>;

    BusyAction(QMetaObject::Connection& handler, Attach attach, bool& busy);
    ~BusyAction() noexcept;
    BusyAction(const BusyAction&) = delete;
    BusyAction& operator=(const BusyAction&) = delete;

private:
    QMetaObject::Connection& handler_;
    Attach attach_;
    bool& busy_;
};

}  // namespace source
