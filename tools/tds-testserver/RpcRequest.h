#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tdsserver {

// One parameter of a remote procedure call, as PostgreSQL text.
struct RpcParameter {
    std::string name;                  // "@p1", or empty for a positional one
    bool output = false;               // passed by reference
    std::optional<std::string> value;  // PostgreSQL text form (UTF-8); nothing for NULL
    std::string pgType;                // the PostgreSQL type the value is cast to

    // cast('value' as type), or cast(null as type).
    std::string literal() const;
};

// One procedure call of an RPC request.
struct RpcCall {
    std::string procedure;  // its name, or the well-known name of a numbered one
    std::vector<RpcParameter> parameters;
};

// Reads the calls of an RPC request payload whose ALL_HEADERS (7.2+) are
// already skipped. A malformed payload throws ProtocolError; a parameter type
// that has no PostgreSQL counterpart throws SqlError (the request was read
// whole, so the connection goes on).
std::vector<RpcCall> parseRpcRequest(std::string_view payload);

// The statement of an sp_executesql call with its parameters written in as
// literals. declaration is its @params text ("@a int, @b nvarchar(10)"), which
// names positional parameters; a declared parameter without a value throws
// SqlError 8178, as does an output parameter (not supported here).
std::string bindParameters(const std::string& statement, const std::string& declaration,
                           const std::vector<RpcParameter>& parameters);

}  // namespace tdsserver
