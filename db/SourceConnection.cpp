#include "SourceConnection.h"

#include <string_view>

#include "ConnectionStrings.h"
#include "DbError.h"
#include "SourceConnectionImpl.h"
#include "SqlText.h"

namespace db {

DBPROCESS* SourceConnection::Impl::dbproc() {
    if (!process) throw DbError("the source connection is not open");
    return process.get();
}

void SourceConnection::Impl::send(const std::string& sql) {
    DBPROCESS* p = dbproc();
    if (streaming) {
        SourceResultOwner* owner = streaming;
        streaming = nullptr;
        owner->bufferRemainingRows();
    }
    messages.clear();
    dbfreebuf(p);
    std::string encoded = encodeSqlText(sql);
    if (dbcmd(p, encoded.c_str()) != SUCCEED || dbsqlexec(p) != SUCCEED) {
        // A failed batch still has its results (and maybe later statements' rows) to drop.
        if (!dbdead(p)) discardResults();
        raise("the command failed");
    }
}

void SourceConnection::Impl::discardResults() {
    DBPROCESS* p = process.get();
    RETCODE rc;
    while ((rc = dbresults(p)) != NO_MORE_RESULTS) {
        if (rc == FAIL) {
            if (dbdead(p)) return;
            continue;
        }
        while (dbnextrow(p) != NO_MORE_ROWS) {
            if (dbdead(p)) return;
        }
    }
}

void SourceConnection::Impl::raise(const std::string& fallback) {
    lastInfos = messages.infos;
    if (messages.errors.empty()) throw DbError(fallback);
    TdsMessages::Error first = messages.errors.front();
    throw DbError(first.text, first.number);
}

void SourceConnection::Impl::raiseErrors() {
    lastInfos = messages.infos;
    if (!messages.errors.empty()) raise({});
}

void SourceConnection::Impl::close() noexcept {
    if (streaming) streaming->connectionClosing();
    streaming = nullptr;
    process.reset();
}

SourceConnection::SourceConnection() : impl_(std::make_unique<Impl>()) {}

SourceConnection::~SourceConnection() noexcept { close(); }

void SourceConnection::open(const std::string& connectionString) {
    close();
    connectionString_ = connectionString;
    ConnectionParams p;
    try {
        p = parseSqlServerConnectionString(connectionString);
    } catch (const DbError& e) {
        throw ConnectError(e.what());
    }
    DbLibrary::initialize();

    TdsLogin login;
    if (!login.get()) throw ConnectError("db-lib could not allocate a login record");
    // Names go in the client character set; varchar bytes of a GB18030 collation
    // then arrive exactly as stored, to be decoded from code page 936 here.
    std::string user = encodeSqlText(p.user), password = encodeSqlText(p.password);
    std::string database = encodeSqlText(p.database);
    DBSETLUSER(login.get(), user.c_str());
    DBSETLPWD(login.get(), password.c_str());
    DBSETLAPP(login.get(), "lir2orbit");
    DBSETLCHARSET(login.get(), "GB18030");
    if (!database.empty()) DBSETLDBNAME(login.get(), database.c_str());
    // The highest version db-lib speaks; an older server answers with its own
    // (SQL Server 2000: 7.1) and db-lib goes on in that one.
    DBSETLVERSION(login.get(), DBVERSION_74);
    // Encryption stays at FreeTDS's default, "request", with no CA file: the
    // login is encrypted whenever the server offers TLS and the whole session
    // when the server forces it, a server without a certificate is reached in
    // clear, and the self-signed certificate a SQL Server makes for itself is
    // accepted, since the operator has no CA to name. So every legacy server
    // is reached with nothing to configure (db-lib has no call to change this).

    Impl& impl = *impl_;
    impl.messages.clear();
    std::string server = p.server + ":" + p.port;
    DBPROCESS* dbproc;
    {
        DbLibrary::LoginScope scope(impl.messages);
        dbproc = dbopen(login.get(), server.c_str());
    }
    if (!dbproc) {
        // The server's own reason (login failed, unknown database) before db-lib's.
        const TdsMessages::Error* reason = nullptr;
        for (const auto& e : impl.messages.errors) {
            if (e.number < 20000 && !reason) reason = &e;
        }
        if (!reason && !impl.messages.errors.empty()) reason = &impl.messages.errors.front();
        if (reason) throw ConnectError(reason->text, reason->number);
        throw ConnectError("cannot connect to SQL Server " + server);
    }
    impl.process = TdsProcess(dbproc);
    dbsetuserdata(dbproc, reinterpret_cast<BYTE*>(&impl.messages));
    try {
        execute("SET TEXTSIZE 2147483647");
    } catch (const DbError& e) {
        close();
        throw ConnectError(e.what(), e.number());
    }
    if (afterConnect_) afterConnect_();
}

void SourceConnection::close() noexcept { impl_->close(); }

bool SourceConnection::isOpen() const {
    return static_cast<bool>(impl_->process) && !dbdead(impl_->process.get());
}

void SourceConnection::execute(const std::string& sql) {
    Impl& impl = *impl_;
    impl.send(sql);
    impl.discardResults();
    impl.raiseErrors();
}

const std::vector<std::string>& SourceConnection::lastMessages() const { return impl_->lastInfos; }

SourceConnection::Impl& SourceConnection::impl() { return *impl_; }

}  // namespace db
