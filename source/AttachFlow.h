#pragma once

#include <optional>
#include <string>

#include "SourceFlowResult.h"
#include "Wait.h"

namespace core {
class MessageBox;
}
namespace db {
class SourceConnection;
class SourceQuery;
}  // namespace db

namespace source {

struct AttachRequest {
    std::string dataFile;  // the primary data file, as the server will open it
    std::string code;      // the account code as typed
};

// Attaching a loose SQL Server data file as "QXLirToOrbit_" + code, as the import
// dialog and `lir2orbit-cli attach` do it: the old log files beside the file are
// deleted and the server builds a new one. Talks to the server only through the
// borrowed source connection (open on master) and query; every message goes
// through `messages`. Runs on the caller's thread.
class AttachFlow {
public:
    AttachFlow(db::SourceConnection& conSource, db::SourceQuery& qrySourceTmp,
               core::MessageBox& messages, Wait wait);

    // What is checked before the operator is asked to go on: the account-code
    // rules and a file chosen. nullopt when it may go on; otherwise the refusal,
    // already shown.
    std::optional<SourceFlowResult> check(const AttachRequest& request);

    // The attach itself, from the file's existence to the pause after it. A
    // failing existing-name query raises db::DbError (nothing has been deleted then).
    SourceFlowResult attach(const AttachRequest& request);

private:
    db::SourceConnection& conSource_;
    db::SourceQuery& qrySourceTmp_;
    core::MessageBox& messages_;
    Wait wait_;
};

}  // namespace source
