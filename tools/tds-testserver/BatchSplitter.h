#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tdsserver {

// An "if [not] exists(query) begin ... end" statement taken apart.
struct IfExists {
    bool negated = false;
    std::string condition;  // the query inside exists(...)
    std::string body;       // the statements between begin and end (or the one statement)
};

// Cuts T-SQL text into statements: at ";" outside literals, quoted names,
// comments, parentheses and begin/case ... end blocks, and after the "end" that
// closes an "if ... begin" block.
class BatchSplitter {
public:
    static std::vector<std::string> split(std::string_view sql);
    static std::optional<IfExists> parseIfExists(std::string_view statement);
};

}  // namespace tdsserver
