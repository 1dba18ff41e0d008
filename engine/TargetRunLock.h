#pragma once

namespace db {
class TargetConnection;
}

namespace engine {

// One run per target at a time: a session advisory lock of PostgreSQL, taken on
// the run's target connection and held until released or the connection ends (a
// killed run frees it). Advisory locks belong to a database, so the lock is that
// of the account set. Borrows the connection, which must outlive the lock.
class TargetRunLock {
public:
    // Tries once, without waiting. Throws DbError when the statement fails.
    explicit TargetRunLock(db::TargetConnection& connection);
    ~TargetRunLock() noexcept;
    TargetRunLock(const TargetRunLock&) = delete;
    TargetRunLock& operator=(const TargetRunLock&) = delete;

    // false: another run holds the target.
    bool held() const { return held_; }

private:
    db::TargetConnection& connection_;
    bool held_ = false;
};

}  // namespace engine
