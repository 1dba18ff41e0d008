#pragma once
#include <iosfwd>

namespace tdsserver {

class PgConnection;

// Runs a plain-format pg_dump script on a connection: SQL in chunks, COPY
// data through the copy protocol. psql meta-commands (lines starting with a
// backslash outside COPY data) are skipped. Throws SqlError on the first failure.
class ScriptLoader {
public:
    static void load(std::istream& script, PgConnection& conn);
};

}  // namespace tdsserver
