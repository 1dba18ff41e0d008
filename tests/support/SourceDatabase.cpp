#include "support/SourceDatabase.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/PgTestEnv.h"

namespace support {

std::string sourceDomainsScript() { return LIR2ORBIT_SOURCE_DOMAINS_SQL; }

void createSourceDatabase(const std::string& name) {
    std::ifstream in(sourceDomainsScript());
    if (!in) throw std::runtime_error("cannot read " + sourceDomainsScript());
    std::stringstream script;
    script << in.rdbuf();
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    quoted += "\"";
    execPg(pgConnInfo("postgres"), "create database " + quoted);
    execPg(pgConnInfo(name), script.str());
}

void dropSourceDatabase(const std::string& name) noexcept { dropPgDatabase(name); }

}  // namespace support
