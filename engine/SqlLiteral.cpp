#include "SqlLiteral.h"

namespace engine {

std::string quoteSqlLiteral(std::string_view text) {
    bool escaped = text.find('\\') != std::string_view::npos;
    std::string out;
    out.reserve(text.size() + 3);
    if (escaped) out += 'E';
    out += '\'';
    for (char c : text) {
        if (c == '\'' || (escaped && c == '\\')) out += c;
        out += c;
    }
    out += '\'';
    return out;
}

}  // namespace engine
