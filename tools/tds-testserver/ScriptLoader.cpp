#include "tds-testserver/ScriptLoader.h"

#include <libpq-fe.h>

#include <istream>
#include <string>

#include "tds-testserver/PgConnection.h"

namespace tdsserver {

void ScriptLoader::load(std::istream& script, PgConnection& conn) {
    std::string chunk, line;
    auto runChunk = [&] {
        if (chunk.find_first_not_of(" \t\r\n") != std::string::npos) conn.exec(chunk);
        chunk.clear();
    };
    while (std::getline(script, line)) {
        if (!line.empty() && line[0] == '\\') continue;
        if (line.rfind("COPY ", 0) == 0 && line.size() > 12 &&
            line.compare(line.size() - 12, 12, " FROM stdin;") == 0) {
            runChunk();
            PgResult started = conn.exec(line);
            if (started.status() != PGRES_COPY_IN) continue;
            while (std::getline(script, line) && line != "\\.") {
                line += '\n';
                conn.putCopyData(line);
            }
            conn.endCopy();
            continue;
        }
        chunk += line;
        chunk += '\n';
    }
    runChunk();
}

}  // namespace tdsserver
