#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct RunContext;

// Tells the host where the copy of `table` stands (RunHost::progress): its place
// in TargetTableList, rows done of the source count.
void reportTableProgress(const RunContext& ctx, const std::string& table, int64_t rowsDone,
                         int64_t rowsTotal);

}  // namespace engine
