#include "tds-testserver/Session.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <regex>

#include "tds-testserver/BatchSplitter.h"
#include "tds-testserver/Log.h"
#include "tds-testserver/Login7.h"
#include "tds-testserver/PreLogin.h"
#include "tds-testserver/SqlRewriter.h"
#include "tds-testserver/TdsError.h"
#include "tds-testserver/TlsSession.h"

namespace tdsserver {
namespace {

std::uint32_t readU32(std::string_view data, std::size_t at) {
    auto b = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(data[at + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

// The highest version we speak that exceeds neither the client's nor the
// server's own limit (0: none). Versions compare as numbers: 7.4 > 7.3B > 7.1.
std::optional<std::uint32_t> agreedVersion(std::uint32_t client, std::uint32_t limit) {
    for (std::uint32_t v :
         {tds_version::V7_4, tds_version::V7_3B, 0x730A0003u, tds_version::V7_2, tds_version::V7_1})
        if (client >= v && (limit == 0 || limit >= v)) return v;
    return std::nullopt;
}

std::string peerName(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return "client";
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(addr.sin_port));
}

bool isSetStatement(const std::string& s) {
    static const std::regex pattern(R"(^\s*set\s)", std::regex_constants::icase);
    return std::regex_search(s, pattern);
}

}  // namespace

Session::Session(SocketFd socket, const ServerConfig& config, const TlsContext* tls)
    : socket_(std::move(socket)),
      config_(config),
      tls_(tls),
      transport_(socket_),
      reader_(transport_),
      writer_(transport_),
      tokens_(writer_),
      fromUtf16_("UTF-8", "UTF-16LE"),
      commands_(config.conninfo),
      peer_(peerName(socket_.get())) {}

void Session::stop() noexcept { socket_.shutdownBoth(); }

void Session::run() noexcept {
    try {
        if (login()) {
            writer_.setAfterPacket([this] { pollAttention(); });
            while (std::optional<Message> message = reader_.next()) {
                if (message->type == packet_type::SqlBatch) {
                    runBatch(message->payload);
                } else if (message->type == packet_type::Attention) {
                    tokens_.done(done_status::Attention, 0);
                    tokens_.endReply();
                } else {
                    throw ProtocolError("unsupported packet type 0x" +
                                        std::to_string(message->type));
                }
            }
        }
    } catch (const ProtocolError& e) {
        logLine(peer_ + ": closing connection: " + e.what());
    } catch (const std::exception& e) {
        logLine(peer_ + ": session failed: " + e.what());
    }
    if (pg_) pg_->cancelAndDrain();
    finished_ = true;
}

bool Session::login() {
    std::optional<Message> message = reader_.next();
    Encryption encryption = Encryption::None;
    if (message && message->type == packet_type::PreLogin) {
        const PreLoginAnswer answer =
            answerEncryption(config_.encrypt, clientEncryption(message->payload));
        encryption = answer.outcome;
        writer_.bytes(preLoginReply(answer.flag, config_.tdsVersion == tds_version::V7_1));
        writer_.endMessage();
        if (encryption == Encryption::Login || encryption == Encryption::Session) startTls();
        message = reader_.next();
    } else if (config_.encrypt == EncryptMode::Required) {
        // A client that skips PRELOGIN cannot have agreed to encrypt.
        encryption = Encryption::Refused;
    }
    if (!message) return false;
    if (message->type != packet_type::Login7)
        throw ProtocolError("expected LOGIN7, got packet type " + std::to_string(message->type));
    // The encrypted part of a login-only exchange ends with the login record.
    if (encryption == Encryption::Login) transport_.stopTls();
    const Login7 request = Login7::parse(message->payload);
    const std::optional<std::uint32_t> version =
        agreedVersion(request.tdsVersion, config_.tdsVersion);
    if (!version) throw ProtocolError("TDS version below 7.1 requested");
    tokens_.setTdsVersion(*version);

    if (encryption == Encryption::Refused) {
        refuseLogin(18456, 14,
                    "Login failed for user '" + request.userName +
                        "'. The server requires encryption and the client did not agree to it.");
        return false;
    }

    if (request.userName != config_.user || request.password != config_.password) {
        refuseLogin(18456, 14, "Login failed for user '" + request.userName + "'.");
        return false;
    }
    const std::string wanted = request.database.empty() ? "master" : request.database;
    try {
        openDatabase(wanted);
    } catch (const SqlError&) {
        refuseLogin(
            4060, 11,
            "Cannot open database \"" + wanted + "\" requested by the login. The login failed.");
        return false;
    } catch (const std::runtime_error& e) {
        refuseLogin(4060, 11,
                    "Cannot open database \"" + wanted + "\" requested by the login. " + e.what());
        return false;
    }

    std::uint32_t packetSize = request.packetSize == 0 ? 4096 : request.packetSize;
    packetSize = std::clamp<std::uint32_t>(packetSize, 512, 32767);
    tokens_.envChange(1, database_, "master");
    tokens_.info(5701, 0, "已将数据库上下文更改为 '" + database_ + "'。");
    tokens_.collationChange();
    tokens_.envChange(2, "简体中文", "");
    tokens_.info(5703, 0, "已将语言设置更改为 简体中文。");
    tokens_.loginAck(*version);
    tokens_.envChange(4, std::to_string(packetSize), "4096");
    tokens_.done(done_status::Final, 0);
    tokens_.endReply();
    writer_.setPacketSize(packetSize);
    logLine(peer_ + ": " + request.userName + " logged in to " + database_);
    return true;
}

void Session::startTls() {
    if (!tls_) throw ProtocolError("encryption agreed without a TLS context");
    auto tls = std::make_unique<TlsSession>(*tls_, socket_);
    // Handshake records travel as the payload of PRELOGIN packets both ways.
    tls->handshake(
        [this] {
            std::optional<Message> m = reader_.next();
            if (!m) throw ProtocolError("client left during the TLS handshake");
            if (m->type != packet_type::PreLogin)
                throw ProtocolError("expected a TLS handshake in a PRELOGIN packet, got type " +
                                    std::to_string(m->type));
            return std::move(m->payload);
        },
        [this](std::string_view bytes) {
            writer_.setPacketType(packet_type::PreLogin);
            writer_.bytes(bytes);
            writer_.endMessage();
            writer_.setPacketType(packet_type::Reply);
        });
    transport_.startTls(std::move(tls));
    logLine(peer_ + ": TLS handshake done");
}

void Session::refuseLogin(int number, std::uint8_t severity, const std::string& message) {
    logLine(peer_ + ": login refused: " + message);
    tokens_.error(number, severity, message);
    tokens_.done(done_status::Error, 0);
    tokens_.endReply();
}

void Session::openDatabase(const std::string& name) {
    std::optional<std::string> found = SqlServerCommands::findDatabase(config_.conninfo, name);
    if (!found && (name == "master" || name == "MASTER" || name == "Master")) {
        // master is made on first use, so a fresh cluster serves logins at once.
        PgConnection admin(config_.conninfo, "postgres");
        try {
            admin.exec("create database master");
        } catch (const SqlError&) {
            // another session made it in the meantime
        }
        found = "master";
    }
    if (!found) throw SqlError(911, "数据库 '" + name + "' 不存在。请确保正确地输入了该名称。");
    PgConnection connection(config_.conninfo, *found);
    connection.exec(SqlRewriter::sessionSetupSql());
    pg_ = std::move(connection);
    database_ = *found;
}

void Session::runBatch(const std::string& payload) {
    std::string_view text = payload;
    if (tokens_.tdsVersion() >= tds_version::V7_2) {
        if (text.size() < 4) throw ProtocolError("SQL batch shorter than its headers");
        const std::uint32_t headers = readU32(text, 0);
        if (headers < 4 || headers > text.size())
            throw ProtocolError("SQL batch headers of " + std::to_string(headers) +
                                " bytes do not fit the batch");
        text.remove_prefix(headers);
    }
    if (text.size() % 2 != 0) throw ProtocolError("SQL batch text has an odd number of bytes");
    std::string sql;
    try {
        sql = fromUtf16_.convert(text);
    } catch (const std::exception&) {
        throw ProtocolError("SQL batch text is not UTF-16");
    }

    attention_ = false;
    for (const std::string& statement : BatchSplitter::split(sql))
        if (!runStatement(statement) || attention_) break;
    if (attention_) tokens_.done(done_status::Attention, 0);
    tokens_.endReply();
}

bool Session::runStatement(const std::string& statement) {
    try {
        if (isSetStatement(statement)) {
            // Session options (textsize, nocount, ...) have no PostgreSQL counterpart here.
            tokens_.done(done_status::Final, 0);
            return true;
        }
        static const std::regex use(R"(^\s*use\s+(\[[^\]]+\]|\S+)\s*$)",
                                    std::regex_constants::icase);
        std::smatch m;
        if (std::regex_match(statement, m, use)) {
            useDatabase(m[1]);
            return true;
        }
        if (std::optional<IfExists> block = BatchSplitter::parseIfExists(statement)) {
            PgResult found =
                pg_->exec("select exists(" + SqlRewriter::rewrite(block->condition) + ")");
            const bool exists = found.value(0, 0) == "t";
            if (exists != block->negated)
                for (const std::string& inner : BatchSplitter::split(block->body))
                    if (!runStatement(inner)) return false;
            return true;
        }
        if (std::optional<CommandOutcome> outcome = commands_.tryRun(statement)) {
            sendOutcome(*outcome);
            return !outcome->trailingError;
        }
        return runQuery(SqlRewriter::rewrite(statement));
    } catch (const SqlError& e) {
        sendError(e, 0);
        return false;
    }
}

bool Session::runQuery(const std::string& sql) {
    pg_->prepare(sql);
    std::vector<ColumnPlan> columns;
    {
        PgResult description = pg_->describePrepared();
        if (description.columns() > 0) columns = planColumns(description, *pg_);
    }
    pg_->sendStreaming(sql);
    std::uint64_t rows = 0;
    bool described = false;
    std::optional<SqlError> failure;
    std::uint16_t status = done_status::Final;
    std::uint64_t count = 0;
    while (PgResult result = pg_->nextResult()) {
        const int s = result.status();
        if (s == PGRES_SINGLE_TUPLE) {
            if (failure || attention_) continue;
            if (!described) {
                tokens_.columnMetadata(columns);
                described = true;
            }
            row_.clear();
            try {
                for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
                    if (result.isNull(0, c))
                        encoder_.appendNull(row_, columns[c]);
                    else
                        encoder_.append(row_, columns[c], result.view(0, c));
                }
            } catch (const SqlError& e) {
                failure = e;
                pg_->cancelAndDrain();
                break;
            }
            tokens_.rowToken();
            writer_.bytes(row_);
            ++rows;
            if (attention_) {
                pg_->cancelAndDrain();
                break;
            }
        } else if (s == PGRES_TUPLES_OK) {
            if (!described && !columns.empty()) {
                tokens_.columnMetadata(columns);
                described = true;
            }
            status = done_status::Count;
            count = rows;
        } else if (s == PGRES_COMMAND_OK) {
            const std::string affected = PQcmdTuples(result.get());
            if (!affected.empty()) {
                status = done_status::Count;
                count = std::stoull(affected);
            }
        } else if (result.failed() && !failure) {
            try {
                result.check();
            } catch (const SqlError& e) {
                failure = e;
            }
        }
    }
    if (failure) {
        sendError(*failure, rows);
        return false;
    }
    if (!attention_) tokens_.done(status, count);
    return true;
}

void Session::useDatabase(std::string name) {
    if (name.size() > 2 && name.front() == '[') name = name.substr(1, name.size() - 2);
    const std::string old = database_;
    try {
        openDatabase(name);
    } catch (const std::runtime_error& e) {
        if (dynamic_cast<const SqlError*>(&e)) throw;
        throw SqlError(911, e.what());
    }
    tokens_.envChange(1, database_, old);
    tokens_.info(5701, 0, "已将数据库上下文更改为 '" + database_ + "'。");
    tokens_.done(done_status::Final, 0);
}

void Session::sendOutcome(const CommandOutcome& outcome) {
    for (const std::string& info : outcome.infos) tokens_.info(0, 0, info);
    if (!outcome.columns.empty()) {
        tokens_.columnMetadata(outcome.columns);
        for (const auto& values : outcome.rows) {
            row_.clear();
            for (std::size_t c = 0; c < outcome.columns.size(); ++c) {
                if (values[c])
                    encoder_.append(row_, outcome.columns[c], *values[c]);
                else
                    encoder_.appendNull(row_, outcome.columns[c]);
            }
            tokens_.rowToken();
            writer_.bytes(row_);
        }
    }
    if (outcome.trailingError) {
        tokens_.error(outcome.trailingError->first, 16, outcome.trailingError->second);
        tokens_.done(done_status::Error, 0);
        return;
    }
    tokens_.done(outcome.columns.empty() ? done_status::Final : done_status::Count,
                 outcome.columns.empty() ? 0 : outcome.rows.size());
}

void Session::sendError(const SqlError& error, std::uint64_t rows) {
    tokens_.error(error.number(), 16, error.what());
    tokens_.done(done_status::Error | (rows ? done_status::Count : 0), rows);
}

void Session::pollAttention() {
    if (attention_ || !transport_.readable()) return;
    std::optional<Message> message = reader_.next();
    if (!message) throw ProtocolError("client disconnected in the middle of a result");
    if (message->type != packet_type::Attention)
        throw ProtocolError("client sent a request while a reply was under way");
    attention_ = true;
}

}  // namespace tdsserver
