#include "ConnectionStrings.h"

#include "DbError.h"

namespace db {

namespace {

constexpr std::string_view kSqlProvider = "Provider=";
constexpr std::string_view kSqlUser = ";Persist Security Info=True;User ID=";
constexpr std::string_view kSqlPassword = ";Password=";
constexpr std::string_view kSqlDatabase = ";Initial Catalog=";
constexpr std::string_view kSqlSource = ";Data Source=";

constexpr std::string_view kPgProvider = "Provider=";
constexpr std::string_view kPgServer = ";Driver={PostgreSQL ANSI};Server=";
constexpr std::string_view kPgPort = ";Port=";
constexpr std::string_view kPgDatabase = ";Database=";
constexpr std::string_view kPgUser = ";Uid=";
constexpr std::string_view kPgPassword = ";Pwd=";

[[noreturn]] void badShape(const char* which) {
    // The string itself may hold a password: it stays out of the message.
    throw DbError(std::string("not a ") + which + " connection string");
}

}  // namespace

std::string SqlServerConnectionString(const std::string& server, const std::string& port,
                                      const std::string& user, const std::string& password,
                                      const std::string& database, const std::string& provider) {
    std::string s;
    s.append(kSqlProvider).append(provider).append(kSqlUser).append(user);
    if (!password.empty()) s.append(kSqlPassword).append(password);
    s.append(kSqlDatabase)
        .append(database)
        .append(kSqlSource)
        .append(server)
        .append(",")
        .append(port);
    return s;
}

std::string PgConnectionString(const std::string& server, const std::string& port,
                               const std::string& user, const std::string& password,
                               const std::string& database, const std::string& provider) {
    std::string s;
    s.append(kPgProvider).append(provider).append(kPgServer).append(server);
    s.append(kPgPort)
        .append(port)
        .append(kPgDatabase)
        .append(database)
        .append(kPgUser)
        .append(user);
    if (!password.empty()) s.append(kPgPassword).append(password);
    return s;
}

// Provider and user are read from the left, database and data source from the
// right; the password is whatever lies between, so any character may be in it.
ConnectionParams parseSqlServerConnectionString(const std::string& connectionString) {
    std::string_view s = connectionString;
    if (s.substr(0, kSqlProvider.size()) != kSqlProvider) badShape("SQL Server");
    size_t userKey = s.find(kSqlUser);
    size_t sourceKey = s.rfind(kSqlSource);
    if (userKey == std::string_view::npos || sourceKey == std::string_view::npos ||
        sourceKey < userKey)
        badShape("SQL Server");
    size_t databaseKey = s.rfind(kSqlDatabase, sourceKey);
    if (databaseKey == std::string_view::npos || databaseKey < userKey + kSqlUser.size())
        badShape("SQL Server");

    ConnectionParams p;
    p.provider = s.substr(kSqlProvider.size(), userKey - kSqlProvider.size());
    std::string_view credentials =
        s.substr(userKey + kSqlUser.size(), databaseKey - userKey - kSqlUser.size());
    size_t passwordKey = credentials.find(kSqlPassword);
    p.user = credentials.substr(0, passwordKey);
    if (passwordKey != std::string_view::npos)
        p.password = credentials.substr(passwordKey + kSqlPassword.size());
    p.database =
        s.substr(databaseKey + kSqlDatabase.size(), sourceKey - databaseKey - kSqlDatabase.size());

    std::string_view source = s.substr(sourceKey + kSqlSource.size());
    size_t comma = source.rfind(',');
    if (comma == std::string_view::npos) badShape("SQL Server");
    std::string_view host = source.substr(0, comma);
    // "host\instance": the port alone decides where to connect.
    host = host.substr(0, host.find('\\'));
    p.server = host;
    p.port = source.substr(comma + 1);
    return p;
}

ConnectionParams parsePgConnectionString(const std::string& connectionString) {
    std::string_view s = connectionString;
    if (s.substr(0, kPgProvider.size()) != kPgProvider) badShape("PostgreSQL");
    size_t serverKey = s.find(kPgServer);
    if (serverKey == std::string_view::npos) badShape("PostgreSQL");
    size_t portKey = s.find(kPgPort, serverKey + kPgServer.size());
    if (portKey == std::string_view::npos) badShape("PostgreSQL");
    size_t databaseKey = s.find(kPgDatabase, portKey + kPgPort.size());
    if (databaseKey == std::string_view::npos) badShape("PostgreSQL");
    size_t userKey = s.find(kPgUser, databaseKey + kPgDatabase.size());
    if (userKey == std::string_view::npos) badShape("PostgreSQL");
    size_t passwordKey = s.find(kPgPassword, userKey + kPgUser.size());

    ConnectionParams p;
    p.provider = s.substr(kPgProvider.size(), serverKey - kPgProvider.size());
    p.server = s.substr(serverKey + kPgServer.size(), portKey - serverKey - kPgServer.size());
    p.port = s.substr(portKey + kPgPort.size(), databaseKey - portKey - kPgPort.size());
    p.database =
        s.substr(databaseKey + kPgDatabase.size(), userKey - databaseKey - kPgDatabase.size());
    size_t userStart = userKey + kPgUser.size();
    if (passwordKey == std::string_view::npos) {
        p.user = s.substr(userStart);
    } else {
        p.user = s.substr(userStart, passwordKey - userStart);
        p.password = s.substr(passwordKey + kPgPassword.size());
    }
    return p;
}

}  // namespace db
