#pragma once

#include <cstddef>

namespace dbtest {

// Number of C++ heap allocations (operator new) made by this process so far.
// Counts only what C++ code allocates; the C client libraries use malloc.
std::size_t allocationCount();

}  // namespace dbtest
