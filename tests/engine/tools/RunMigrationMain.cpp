// run-migration HOME SOURCE_CS SOURCE_DB TARGET_CS TARGET_DB yes|no
// Runs one migration with the program directory HOME; exits 0 when it completed,
// 1 when it failed, 2 on bad arguments or connections.
#include <cstdio>
#include <exception>
#include <string>

#include "StdoutHost.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "engine/TCopyDataThread.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s HOME SOURCE_CS SOURCE_DB TARGET_CS TARGET_DB yes|no\n",
                     argv[0]);
        return 2;
    }
    try {
        db::SourceConnection conSource;
        db::TargetConnection conTarget;
        conSource.open(argv[2]);
        conTarget.open(argv[4]);
        db::SourceQuery qrySourceData(conSource), qrySourceTmp(conSource);
        db::TargetQuery qryTargetData(conTarget), qryTargetTmp(conTarget);
        StdoutHost host(std::string(argv[6]) == "yes");

        engine::RunContext ctx;
        ctx.lendConnections(conSource, conTarget, qrySourceData, qrySourceTmp, qryTargetData,
                            qryTargetTmp);
        ctx.programDir = argv[1];
        ctx.sourceDatabase = argv[3];
        ctx.targetDatabase = argv[5];
        ctx.host = &host;
        return engine::TCopyDataThread(ctx).Execute() == engine::RunOutcome::Completed ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
}
