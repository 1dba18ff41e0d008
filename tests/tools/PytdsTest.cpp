// The server seen through pytds (Debian's python3-tds), which shares no code with FreeTDS.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "support/PgTestEnv.h"
#include "support/SourceDatabase.h"
#include "support/TdsTestServer.h"

namespace {

TEST(Pytds, LoginTypesResultSetsErrorsParametersAndTransactions) {
    const std::string database = "qxpytds_" + std::to_string(getpid());
    support::dropSourceDatabase(database);
    support::createSourceDatabase(database);
    support::execPg(support::pgConnInfo(database), R"(
create table typed(ti tinyint, si int2, i int4, bi int8, b boolean, r float4, f float8, d numeric(10,2),
  m money, sm smallmoney, dt datetime, sdt smalldatetime, vc varchar(10), c char(4), t text, nv nvarchar,
  nc "nchar", nt ntext, img image, vb varbinary, g uniqueidentifier);
insert into typed values (255, -2, 123456, 9000000000, true, 1.5, 2.25, -12345.67, -1.0001, 2.5,
  '2024-02-29 13:45:30.5', '2024-02-29 13:45:30', '中文abc', 'ab', '长文本', 'ünï中', 'x', '宽', '\x0102',
  '\x00ff', '00112233-4455-6677-8899-aabbccddeeff');
insert into typed default values;
create function add_one(n int) returns int language sql as 'select n + 1';
)");
    support::TdsTestServer server;
    const std::string command = std::string("/usr/bin/python3 '") + LIR2ORBIT_PYTDS_CHECK + "' " +
                                std::to_string(server.port()) + " '" + server.user() + "' '" +
                                server.password() + "' '" + database + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << output;
    support::dropSourceDatabase(database);
}

}  // namespace
