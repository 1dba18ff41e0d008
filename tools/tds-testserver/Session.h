#pragma once
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "tds-testserver/Iconv.h"
#include "tds-testserver/PacketReader.h"
#include "tds-testserver/PacketWriter.h"
#include "tds-testserver/PgConnection.h"
#include "tds-testserver/ServerConfig.h"
#include "tds-testserver/SocketFd.h"
#include "tds-testserver/SqlServerCommands.h"
#include "tds-testserver/TokenWriter.h"
#include "tds-testserver/Transport.h"
#include "tds-testserver/ValueEncoder.h"

namespace tdsserver {

class SqlError;
class TlsContext;

// One client connection: login, then SQL batches run statement by statement on
// a PostgreSQL connection to the selected database. Runs on its own thread;
// stop() may be called from another.
class Session {
public:
    // tls is needed when the configuration encrypts; it must outlive the session.
    Session(SocketFd socket, const ServerConfig& config, const TlsContext* tls);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Serves the client until it leaves or breaks the protocol; never throws.
    void run() noexcept;
    void stop() noexcept;
    bool finished() const noexcept { return finished_; }

private:
    bool login();
    void startTls();
    void refuseLogin(int number, std::uint8_t severity, const std::string& message);
    void openDatabase(const std::string& name);
    void runBatch(const std::string& payload);
    bool runStatement(const std::string& statement);
    // False when the statement failed (its error has been sent).
    bool runQuery(const std::string& sql);
    void useDatabase(std::string name);
    void sendOutcome(const CommandOutcome& outcome);
    void sendError(const SqlError& error, std::uint64_t rows);
    void pollAttention();

    SocketFd socket_;
    const ServerConfig& config_;
    const TlsContext* tls_;
    Transport transport_;
    PacketReader reader_;
    PacketWriter writer_;
    TokenWriter tokens_;
    ValueEncoder encoder_;
    Iconv fromUtf16_;
    SqlServerCommands commands_;
    std::optional<PgConnection> pg_;
    std::string database_;
    std::string peer_;
    bool attention_ = false;
    std::string row_;
    std::atomic<bool> finished_{false};
};

}  // namespace tdsserver
