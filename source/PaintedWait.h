#pragma once

#include <functional>

namespace source {

// A pause inside an action. Dialogs take one as a parameter so tests need not
// sit through the real delays.
using Wait = std::function<void(int milliseconds)>;

// Waits in a local event loop, so the window keeps painting and answering
// meanwhile (its action is inert for the duration: see BusyAction).
void paintedWait(int milliseconds);

}  // namespace source
