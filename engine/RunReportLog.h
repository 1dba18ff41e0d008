#pragma once

#include <string>

#include "TableResult.h"

namespace engine {

// The run log's line for one table of the report: its name, what became of it,
// the rows counted in the source and stored in the target, and each column whose
// stored values differ from those sent, with one example.
std::string reportLogLine(const TableResult& table);

}  // namespace engine
