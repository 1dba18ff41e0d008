#pragma once

#include <exception>

namespace core {
class MessageBox;
}

namespace source {

// What the application shows for an error that ends a click handler: the error's
// own text in an error box captioned with the application's name. Qt must not
// see exceptions leave a slot, so handlers end here instead.
void showUncaughtError(core::MessageBox& messages, const std::exception& error);

}  // namespace source
