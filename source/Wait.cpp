#include "Wait.h"

#include <chrono>
#include <thread>

namespace source {

void sleepingWait(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace source
