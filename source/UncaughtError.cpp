#include "UncaughtError.h"

#include <QGuiApplication>

#include "core/MessageBox.h"

namespace source {

void showUncaughtError(core::MessageBox& messages, const std::exception& error) {
    messages.show(QGuiApplication::applicationDisplayName().toStdString(), error.what(),
                  core::MessageIcon::Error, core::MessageButtons::Ok);
}

}  // namespace source
