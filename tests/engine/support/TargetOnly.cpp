#include "TargetOnly.h"

#include "fixtures/PgRows.h"

namespace enginetest {

std::string TargetOnly::value(const std::string& sql) const {
    return fixtures::queryValue(target.connInfo(), sql);
}

}  // namespace enginetest
