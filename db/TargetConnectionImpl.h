#pragma once

#include "PgConnection.h"
#include "TargetConnection.h"

namespace db {

struct TargetConnection::Impl {
    PgConnection pg;
};

}  // namespace db
