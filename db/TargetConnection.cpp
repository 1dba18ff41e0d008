#include "TargetConnection.h"

#include "ConnectionStrings.h"
#include "DbError.h"
#include "TargetConnectionImpl.h"

namespace db {

TargetConnection::TargetConnection() : impl_(std::make_unique<Impl>()) {}

TargetConnection::~TargetConnection() noexcept = default;

void TargetConnection::open(const std::string& connectionString) {
    close();
    connectionString_ = connectionString;
    ConnectionParams p;
    try {
        p = parsePgConnectionString(connectionString);
    } catch (const DbError& e) {
        throw ConnectError(e.what());
    }
    impl_->pg.open(p.server, p.port, p.user, p.password, p.database);
    if (afterConnect_) afterConnect_();
}

void TargetConnection::close() noexcept { impl_->pg.close(); }

bool TargetConnection::isOpen() const { return impl_->pg.isOpen(); }

void TargetConnection::execute(const std::string& sql) { impl_->pg.exec(sql); }

void TargetConnection::settlePending() { impl_->pg.collectDeferred(); }

void TargetConnection::copyOut(const std::string& sql,
                               const std::function<void(std::string_view row)>& onRow) {
    impl_->pg.copyOut(sql, onRow);
}

TargetConnection::Impl& TargetConnection::impl() { return *impl_; }

}  // namespace db
