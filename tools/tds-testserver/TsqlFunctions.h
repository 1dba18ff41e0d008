#pragma once
#include <string>
#include <vector>

namespace tdsserver {

// Marks the bytes of sql that lie inside '...' literals (the quotes included), so
// rewrites can leave string contents alone.
std::vector<bool> literalMask(const std::string& sql);

// Rewrites the T-SQL calls whose arguments must be taken apart, on text whose
// '...' literals are intact: count(...) typed int as SQL Server types it,
// count_big(...) -> count(...), convert(type, expr[, style]) -> a cast or the
// style's text form.
std::string rewriteFunctionCalls(std::string sql);

}  // namespace tdsserver
