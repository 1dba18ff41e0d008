// Imports the named target tables from a source database behind the SQL Server
// test server and prints, per run, the rows copied, the time taken and the
// process's peak resident memory. Driven by scripts/bench-import.sh. With
// LIR2ORBIT_VERIFY=0 the copied tables are not read back and compared.
//
//   import_bench PGHOST PGPORT TARGETDB TDSPORT TDSUSER TDSPASSWORD SOURCEDB TABLE...
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "db/ConnectionStrings.h"
#include "engine/RunContext.h"
#include "engine/RunHost.h"
#include "engine/RunLog.h"
#include "engine/TableImport.h"

namespace {

// Keeps the log model as a front end would, so a replaced progress line per row
// costs what it costs in the tool.
class BenchHost : public engine::RunHost {
public:
    void appendLog(const std::string& text) override { log.append(text); }
    void replaceLastLog(const std::string& text) override { log.replaceLast(text); }
    void clearLog() override { log.clear(); }
    std::string logText() const override { return log.text(); }
    void setBusy(bool) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&, core::MessageIcon) override {}

    engine::RunLog log;
};

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 9) {
        std::fprintf(
            stderr,
            "usage: %s PGHOST PGPORT TARGETDB TDSPORT TDSUSER TDSPASSWORD SOURCEDB TABLE...\n",
            argv[0]);
        return 2;
    }
    try {
        db::TargetConnection conTarget;
        conTarget.open(
            db::PgConnectionString(argv[1], argv[2], "postgres", "", argv[3], "MSDASQL.1"));
        db::SourceConnection conSource;
        conSource.open(db::SqlServerConnectionString("127.0.0.1", argv[4], argv[5], argv[6],
                                                     argv[7], "SQLOLEDB.1"));
        db::SourceQuery qrySourceData(conSource), qrySourceTmp(conSource);
        db::TargetQuery qryTargetData(conTarget), qryTargetTmp(conTarget);
        BenchHost host;

        engine::RunContext ctx;
        ctx.lendConnections(conSource, conTarget, qrySourceData, qrySourceTmp, qryTargetData,
                            qryTargetTmp);
        ctx.sourceDatabase = argv[7];
        ctx.targetDatabase = argv[3];
        // The resume writes go to a config.ini of the benchmark's own.
        char dir[] = "/tmp/import-bench.XXXXXX";
        if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
        ctx.programDir = dir;
        ctx.host = &host;
        // LIR2ORBIT_VERIFY=0 measures the import without reading the tables back.
        const char* verify = std::getenv("LIR2ORBIT_VERIFY");
        ctx.verifyCopies = !(verify && std::string(verify) == "0");

        for (int i = 8; i < argc; ++i) {
            const std::string table = argv[i];
            auto start = std::chrono::steady_clock::now();
            engine::ImportTable(ctx, table, {});
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const engine::TableResult& result = ctx.report.tables.back();
            std::string changed;
            for (const auto& c : result.changedColumns)
                changed += " " + c.column + "(" + std::to_string(c.values) + ": " + c.exampleKey +
                           " " + c.exampleSent + " -> " + c.exampleStored + ")";
            std::printf("table=%s seconds=%.3f peak_rss_kib=%ld status=%s%s last_line=%s\n",
                        table.c_str(), seconds, peakRssKiB(), engine::statusName(result.status),
                        changed.c_str(), host.log.lastLine().c_str());
            std::fflush(stdout);
        }
        std::filesystem::remove_all(ctx.programDir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "import_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
