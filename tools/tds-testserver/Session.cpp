#include "tds-testserver/Session.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <regex>

#include "tds-testserver/BatchSplitter.h"
#include "tds-testserver/Log.h"
#include "tds-testserver/Login7.h"
#include "tds-testserver/PreLogin.h"
#include "tds-testserver/RpcRequest.h"
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

// Transaction manager requests (begin, commit, rollback) of clients with autocommit off.
constexpr std::uint8_t TransactionManagerRequest = 0x0E;

std::string hexByte(std::uint8_t v) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[v >> 4] + digits[v & 15];
}

const char* isolationSql(int level) {
    switch (level) {
        case 1:
            return " isolation level read uncommitted";
        case 2:
            return " isolation level read committed";
        case 3:
            return " isolation level repeatable read";
        case 4:
        case 5:
            return " isolation level serializable";
        default:
            return "";
    }
}

std::string lowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
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
                } else if (message->type == packet_type::Rpc) {
                    runRpc(message->payload);
                } else if (message->type == TransactionManagerRequest) {
                    runTransactionRequest(message->payload);
                } else if (message->type == packet_type::Attention) {
                    tokens_.done(done_status::Attention, 0);
                    tokens_.endReply();
                } else {
                    throw ProtocolError("unsupported packet type " + hexByte(message->type));
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
    pg_ = std::move(connection);
    database_ = *found;
    catalogue_ = false;
    catalogueInTransaction_ = false;
    tranCount_ = 0;
}

std::string_view Session::requestBody(std::string_view text, const char* what) const {
    if (tokens_.tdsVersion() >= tds_version::V7_2) {
        if (text.size() < 4) throw ProtocolError(std::string(what) + " shorter than its headers");
        const std::uint32_t headers = readU32(text, 0);
        if (headers < 4 || headers > text.size())
            throw ProtocolError(std::string(what) + " headers of " + std::to_string(headers) +
                                " bytes do not fit the request");
        text.remove_prefix(headers);
    }
    return text;
}

void Session::runBatch(const std::string& payload) {
    const std::string_view text = requestBody(payload, "SQL batch");
    if (text.size() % 2 != 0) throw ProtocolError("SQL batch text has an odd number of bytes");
    std::string sql;
    try {
        sql = fromUtf16_.convert(text);
    } catch (const std::exception&) {
        throw ProtocolError("SQL batch text is not UTF-16");
    }

    attention_ = false;
    runStatements(sql);
    if (attention_) tokens_.done(done_status::Attention, 0);
    tokens_.endReply();
}

bool Session::runStatements(const std::string& sql) {
    for (const std::string& statement : BatchSplitter::split(sql))
        if (!runStatement(statement) || attention_) return false;
    return true;
}

void Session::runRpc(const std::string& payload) {
    const std::string_view body = requestBody(payload, "RPC request");
    attention_ = false;
    std::vector<RpcCall> calls;
    try {
        calls = parseRpcRequest(body);
    } catch (const SqlError& e) {
        sendError(e, 0);
        tokens_.endReply();
        return;
    }
    for (const RpcCall& call : calls) {
        tokens_.setInProcedure(true);
        bool ok = false;
        try {
            ok = runCall(call);
        } catch (const SqlError& e) {
            sendError(e, 0);
        }
        tokens_.setInProcedure(false);
        tokens_.procedureEnd(ok ? 0 : -6, ok ? done_status::Final : done_status::Error);
        if (attention_) break;
    }
    if (attention_) tokens_.done(done_status::Attention, 0);
    tokens_.endReply();
}

bool Session::runCall(const RpcCall& call) {
    std::string name = call.procedure;
    for (const char* prefix : {"[dbo].", "dbo.", "sys.", "[sys]."})
        if (lowerAscii(name).rfind(prefix, 0) == 0) name = name.substr(std::strlen(prefix));
    if (name.size() > 2 && name.front() == '[') name = name.substr(1, name.size() - 2);
    const std::string lower = lowerAscii(name);
    const auto& params = call.parameters;
    if (lower == "sp_executesql") {
        if (params.empty() || !params[0].value)
            throw SqlError(201,
                           "Procedure or function 'sp_executesql' expects parameter "
                           "'@statement', which was not supplied.");
        const std::string declaration =
            params.size() > 1 && params[1].value ? *params[1].value : std::string();
        const std::vector<RpcParameter> values(
            params.begin() + std::min<std::size_t>(2, params.size()), params.end());
        return runStatements(bindParameters(*params[0].value, declaration, values));
    }
    // The server's own procedures as the statement a batch would carry.
    std::string text = "exec " + name;
    for (std::size_t i = 0; i < params.size(); ++i)
        text += (i ? ", " : " ") + (params[i].name.empty() ? "" : params[i].name + " = ") +
                params[i].literal();
    if (std::optional<CommandOutcome> outcome = commands_.tryRun(text)) {
        sendOutcome(*outcome);
        return !outcome->trailingError;
    }
    // Anything else is a PostgreSQL procedure or function of that name.
    PgResult found = pg_->exec(
        "select p.prokind, p.prorettype = 'void'::regtype from pg_proc p "
        "join pg_namespace n on n.oid = p.pronamespace "
        "where n.nspname = 'public' and p.proname = lower($1) limit 1",
        {name});
    if (found.rows() == 0) throw SqlError(2812, "Could not find stored procedure '" + name + "'.");
    std::string args;
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (params[i].output)
            throw SqlError(
                8178, "Output parameter '" + params[i].name + "' is not supported by this server.");
        args += i ? ", " : "";
        if (!params[i].name.empty())
            args += PgConnection::quoteIdentifier(lowerAscii(params[i].name.substr(1))) + " => ";
        args += params[i].literal();
    }
    const std::string target = PgConnection::quoteIdentifier(lowerAscii(name));
    if (found.value(0, 0) == "p" || found.value(0, 1) == "t") {
        pg_->exec((found.value(0, 0) == "p" ? "call " : "select ") + target + "(" + args + ")");
        tokens_.done(done_status::Final, 0);
        return true;
    }
    return runQuery("select * from " + target + "(" + args + ")");
}

void Session::runTransactionRequest(const std::string& payload) {
    const std::string_view body = requestBody(payload, "transaction manager request");
    std::size_t at = 0;
    auto byte = [&]() -> int {
        if (at >= body.size()) throw ProtocolError("transaction manager request cut short");
        return static_cast<unsigned char>(body[at++]);
    };
    auto skipName = [&] {
        const int chars = byte();
        if (at + std::size_t(chars) * 2 > body.size())
            throw ProtocolError("transaction name overruns the request");
        at += std::size_t(chars) * 2;
    };
    const int type = byte() | byte() << 8;
    attention_ = false;
    try {
        switch (type) {
            case 5: {  // begin: isolation level, name
                const int isolation = byte();
                skipName();
                beginTransaction(isolation);
                break;
            }
            case 7:    // commit: name, flags (bit 0: begin a new one), [isolation, name]
            case 8: {  // rollback: likewise
                skipName();
                const int flags = at < body.size() ? byte() : 0;
                if (type == 7)
                    commitTransaction();
                else
                    rollbackTransaction();
                if (flags & 1) {
                    const int isolation = byte();
                    skipName();
                    beginTransaction(isolation);
                }
                break;
            }
            case 9:
                skipName();
                if (tranCount_ == 0)
                    throw SqlError(628,
                                   "Cannot issue SAVE TRANSACTION when there is no active "
                                   "transaction.");
                pg_->exec("savepoint tds_saved");
                break;
            default:
                throw SqlError(8509, "Transaction manager request " + std::to_string(type) +
                                         " (distributed transactions) is not supported.");
        }
        tokens_.done(done_status::Final, 0);
    } catch (const SqlError& e) {
        sendError(e, 0);
    }
    tokens_.endReply();
}

void Session::beginTransaction(int isolationLevel) {
    if (tranCount_++ > 0) return;  // nested: only the outermost one counts
    pg_->exec(std::string("begin") + isolationSql(isolationLevel));
    tokens_.transactionChange(8, ++transactionId_);
}

void Session::commitTransaction() {
    if (tranCount_ == 0)
        throw SqlError(3902,
                       "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    if (--tranCount_ > 0) return;
    pg_->exec("commit");
    catalogueInTransaction_ = false;
    tokens_.transactionChange(9, transactionId_);
}

void Session::rollbackTransaction() {
    if (tranCount_ == 0)
        throw SqlError(3903,
                       "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    tranCount_ = 0;
    pg_->exec("rollback");
    if (catalogueInTransaction_) catalogue_ = false;
    catalogueInTransaction_ = false;
    tokens_.transactionChange(10, transactionId_);
}

bool Session::transactionStatement(const std::string& statement) {
    using std::regex_constants::icase;
    static const std::regex begin(R"(^\s*begin\s+(tran|transaction)(\s+\S+)?\s*$)", icase);
    static const std::regex commit(R"(^\s*commit(\s+(tran|transaction|work))?(\s+\S+)?\s*$)",
                                   icase);
    static const std::regex rollback(R"(^\s*rollback(\s+(tran|transaction|work))?(\s+\S+)?\s*$)",
                                     icase);
    static const std::regex implicitOn(R"(^\s*set\s+implicit_transactions\s+on\s*$)", icase);
    static const std::regex implicitOff(R"(^\s*set\s+implicit_transactions\s+off\s*$)", icase);
    // What clients speaking TDS 7.1 send instead of transaction manager requests.
    static const std::regex ifOpen(
        R"(^\s*if\s+@@trancount\s*>\s*0\s+(commit|rollback)(?:\s+(?:tran|transaction|work))?)"
        R"((\s+begin\s+(?:tran|transaction))?\s*$)",
        icase);
    std::smatch m;
    if (std::regex_match(statement, m, ifOpen)) {
        if (tranCount_ > 0) {
            if (lowerAscii(m[1]) == "commit")
                commitTransaction();
            else
                rollbackTransaction();
        }
        if (m[2].matched) beginTransaction(0);
    } else if (std::regex_match(statement, begin)) {
        beginTransaction(0);
    } else if (std::regex_match(statement, commit)) {
        commitTransaction();
    } else if (std::regex_match(statement, rollback)) {
        rollbackTransaction();
    } else if (std::regex_match(statement, implicitOn)) {
        implicitTransactions_ = true;
    } else if (std::regex_match(statement, implicitOff)) {
        implicitTransactions_ = false;
    } else {
        return false;
    }
    values_.rowCount = 0;
    tokens_.done(done_status::Final, 0);
    return true;
}

std::string Session::rewrite(const std::string& statement) {
    values_.tranCount = tranCount_;
    std::string sql = SqlRewriter::rewrite(statement, values_);
    ensureCatalogue(sql);
    return sql;
}

void Session::ensureCatalogue(const std::string& postgres) {
    if (catalogue_ || !SqlRewriter::needsCatalogue(postgres)) return;
    pg_->exec(SqlRewriter::catalogueSetupSql());
    catalogue_ = true;
    catalogueInTransaction_ = tranCount_ > 0;
}

bool Session::runStatement(const std::string& statement) {
    try {
        if (transactionStatement(statement)) return true;
        if (implicitTransactions_ && tranCount_ == 0 && !isSetStatement(statement))
            beginTransaction(0);
    } catch (const SqlError& e) {
        values_.error = e.number();
        sendError(e, 0);
        return false;
    }
    // Inside a transaction a failing statement is undone alone, as on SQL
    // Server; PostgreSQL would otherwise refuse everything up to the rollback.
    const bool guarded = tranCount_ > 0;
    try {
        if (guarded) pg_->exec("savepoint tds_statement");
    } catch (const SqlError& e) {
        sendError(e, 0);
        return false;
    }
    const bool ok = runStatementBody(statement);
    if (guarded) {
        try {
            pg_->exec(ok && !attention_ ? "release savepoint tds_statement"
                                        : "rollback to savepoint tds_statement");
        } catch (const SqlError&) {
            try {
                pg_->exec("rollback to savepoint tds_statement");
            } catch (const SqlError& e) {
                sendError(e, 0);
                return false;
            }
        }
    }
    return ok;
}

bool Session::runStatementBody(const std::string& statement) {
    try {
        if (isSetStatement(statement)) {
            // Session options (textsize, nocount, ...) have no PostgreSQL counterpart here.
            values_.rowCount = 0;
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
            PgResult found = pg_->exec("select exists(" + rewrite(block->condition) + ")");
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
        return runQuery(rewrite(statement));
    } catch (const SqlError& e) {
        values_.error = e.number();
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
        values_.error = failure->number();
        values_.rowCount = rows;
        sendError(*failure, rows);
        return false;
    }
    values_.error = 0;
    values_.rowCount = count;
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
