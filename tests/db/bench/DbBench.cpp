// Prints the read rate of the source backend (a streamed "select *" through the
// SQL Server test server) and the write rate of COPY flushes on the target, in
// the shape the table import uses them. Needs LIR2ORBIT_TEST_PG.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "DbTestSupport.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"
#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, long rows, double seconds) {
    std::printf("%-44s %9ld rows  %7.2f s  %10.0f rows/s\n", what, rows, seconds, rows / seconds);
}

}  // namespace

int main(int argc, char** argv) {
    long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string name = "qxdb_bench_" + std::to_string(getpid());
    try {
        support::dropSourceDatabase(name);
        support::createSourceDatabase(name);
        // Rows like an account set's: keys, a Chinese name, an amount, a date, a memo.
        support::execPg(
            support::pgConnInfo(name),
            "create table bench (id int primary key, code varchar(20), name varchar(60),"
            " price numeric(18,4), made datetime, note text, flag boolean);"
            "insert into bench select g, 'G' || g, '商品名称' || g, g * 1.2345, "
            "'2024-01-01'::timestamp"
            " + g * interval '1 second', case when g % 10 = 0 then null else '备注' end, g % 2 = 0"
            " from generate_series(1, " +
                std::to_string(rows) +
                ") g;"
                "create table target (id int primary key, code varchar(20), name varchar(60),"
                " price numeric(18,4), made timestamp, note text, flag boolean, extra int default "
                "0)");

        support::TdsTestServer server;
        db::SourceConnection source;
        source.open(dbtest::sourceConnectionString(server, name));
        db::TargetConnection target;
        target.open(dbtest::targetConnectionString(name));

        db::SourceQuery read(source);
        read.setText("select * from bench");
        auto start = std::chrono::steady_clock::now();
        long seen = 0;
        size_t bytes = 0;
        for (read.open(); !read.eof(); read.next()) {
            ++seen;
            bytes += read.value(2).bytes().size();
        }
        report("source read (select *, streamed)", seen, secondsSince(start));

        // The import's shape: copy row by row, send every 1000 rows without waiting
        // for the server, start the next batch.
        read.open();
        db::TargetQuery write(target);
        write.setText("select * from target where 1<0");
        write.open();
        const int columns = static_cast<int>(read.columns().size());
        start = std::chrono::steady_clock::now();
        long copied = 0;
        double flushSeconds = 0;
        for (; !read.eof(); read.next()) {
            write.append();
            for (int c = 0; c < columns; ++c) write.setValue(c, read.value(c));
            write.post();
            if (write.pendingRows() == 1000) {
                auto t0 = std::chrono::steady_clock::now();
                write.flushWithoutWaiting();
                flushSeconds += secondsSince(t0);
                write.forgetRows();
            }
            ++copied;
        }
        write.flush();
        report("source to target copy (flush per 1000 rows)", copied, secondsSince(start));
        std::printf("  of which in sending batches: %.2f s\n", flushSeconds);

        // The COPY flush alone: rows already in the local row set.
        target.execute("truncate target");
        const long batch = rows < 100000 ? rows : 100000;
        write.close();
        write.open();
        for (long i = 1; i <= batch; ++i) {
            write.append();
            write.setInteger(0, i);
            write.setValue(1, db::Value::fromText("G" + std::to_string(i)));
            write.setValue(2, db::Value::fromText("商品名称" + std::to_string(i)));
            db::Value price;
            price.setDecimal(std::to_string(i) + ".1234");
            write.setValue(3, price);
            write.setValue(4, db::Value::fromText("2024-01-01 10:00:00.000"));
            write.post();
        }
        start = std::chrono::steady_clock::now();
        write.flush();
        report("target COPY flush of one batch", batch, secondsSince(start));
        std::printf("(%zu bytes of names read)\n", bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "db_bench: %s\n", e.what());
        support::dropSourceDatabase(name);
        return 1;
    }
    support::dropSourceDatabase(name);
    return 0;
}
