#pragma once

#include "Wait.h"

namespace source {

// Waits in a local event loop, so the window keeps painting and answering
// meanwhile (its action is inert for the duration: see BusyAction).
void paintedWait(int milliseconds);

}  // namespace source
