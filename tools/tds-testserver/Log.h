#pragma once
#include <iostream>
#include <mutex>
#include <string_view>

namespace tdsserver {

// One line on stderr; sessions log from their own threads.
inline void logLine(std::string_view text) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::cerr << "tds-testserver: " << text << std::endl;
}

}  // namespace tdsserver
