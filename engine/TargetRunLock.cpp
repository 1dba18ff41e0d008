#include "TargetRunLock.h"

#include <exception>

#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {

namespace {

// The tool's own advisory-lock key ("LIR2ORBT" as a number), so other
// applications' advisory locks on the database do not get in the way.
const char* const kLockKey = "5497015196215034452";

}  // namespace

TargetRunLock::TargetRunLock(db::TargetConnection& connection) : connection_(connection) {
    db::TargetQuery query(connection_);
    query.setText(std::string("select pg_try_advisory_lock(") + kLockKey + ") as locked");
    query.open();
    held_ = query.fieldByName("locked").boolValue();
}

TargetRunLock::~TargetRunLock() noexcept {
    if (!held_) return;
    try {
        connection_.execute(std::string("select pg_advisory_unlock(") + kLockKey + ");");
    } catch (const std::exception&) {
        // A connection that is gone has released the lock already.
    }
}

}  // namespace engine
