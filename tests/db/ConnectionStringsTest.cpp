#include <gtest/gtest.h>

#include "db/ConnectionStrings.h"
#include "db/DbError.h"

using namespace db;

TEST(ConnectionStrings, SqlServerAsComposed) {
    EXPECT_EQ(SqlServerConnectionString("127.0.0.1", "1433", "sa", "pw", "master", "SQLOLEDB.1"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=pw;Initial "
              "Catalog=master;"
              "Data Source=127.0.0.1,1433");
    EXPECT_EQ(SqlServerConnectionString("host\\SQL2008", "1433", "sa", "", "qx001", "SQLOLEDB.1"),
              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Initial Catalog=qx001;"
              "Data Source=host\\SQL2008,1433");
}

TEST(ConnectionStrings, PostgreSqlAsComposed) {
    EXPECT_EQ(PgConnectionString("10.0.0.5", "5432", "postgres", "secret", "qxdemo", "MSDASQL.1"),
              "Provider=MSDASQL.1;Driver={PostgreSQL "
              "ANSI};Server=10.0.0.5;Port=5432;Database=qxdemo;Uid=postgres;"
              "Pwd=secret");
    // An empty password leaves the string ending with the user.
    EXPECT_EQ(PgConnectionString("10.0.0.5", "5432", "postgres", "", "qxdemo", "MSDASQL.1"),
              "Provider=MSDASQL.1;Driver={PostgreSQL "
              "ANSI};Server=10.0.0.5;Port=5432;Database=qxdemo;Uid=postgres");
}

struct ParseCase {
    const char* server;
    const char* password;
    const char* expectedHost;
};

TEST(ConnectionStrings, ParsersGiveBackTheParts) {
    const ParseCase cases[] = {
        {"127.0.0.1", "plain", "127.0.0.1"},
        {"127.0.0.1", "", "127.0.0.1"},
        {"db.example", "a;b=c;Initial Catalog=x;Data Source=y,1", "db.example"},
        {"db.example", ";Pwd==;Uid=;", "db.example"},
        {"WINHOST\\SQLEXPRESS", "p=;", "WINHOST"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.server) + " / " + c.password);
        ConnectionParams s = parseSqlServerConnectionString(SqlServerConnectionString(
            c.server, "1433", "sa", c.password, "QXLirToOrbit_001", "SQLOLEDB.1"));
        EXPECT_EQ(s.provider, "SQLOLEDB.1");
        EXPECT_EQ(s.server, c.expectedHost);
        EXPECT_EQ(s.port, "1433");
        EXPECT_EQ(s.user, "sa");
        EXPECT_EQ(s.password, c.password);
        EXPECT_EQ(s.database, "QXLirToOrbit_001");

        ConnectionParams p = parsePgConnectionString(
            PgConnectionString(c.server, "5433", "postgres", c.password, "qx001", "MSDASQL.1"));
        EXPECT_EQ(p.provider, "MSDASQL.1");
        EXPECT_EQ(p.server, c.server);
        EXPECT_EQ(p.port, "5433");
        EXPECT_EQ(p.user, "postgres");
        EXPECT_EQ(p.password, c.password);
        EXPECT_EQ(p.database, "qx001");
    }
}

TEST(ConnectionStrings, OtherShapesAreRefused) {
    EXPECT_THROW(parseSqlServerConnectionString("Server=x;Uid=sa"), DbError);
    EXPECT_THROW(
        parseSqlServerConnectionString("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
                                       "Initial Catalog=master;Data Source=nohostport"),
        DbError);
    EXPECT_THROW(parsePgConnectionString("host=x port=5432"), DbError);
    EXPECT_THROW(
        parsePgConnectionString(SqlServerConnectionString("h", "1", "u", "p", "d", "SQLOLEDB.1")),
        DbError);
}
