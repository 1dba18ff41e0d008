#pragma once

#include <string>

#include "DbLibrary.h"
#include "SourceConnection.h"
#include "TdsProcess.h"

namespace db {

// A query whose rows are still arriving on the connection: before another command
// is sent it must take its remaining rows off the wire.
class SourceResultOwner {
public:
    virtual void bufferRemainingRows() = 0;
    virtual void connectionClosing() noexcept = 0;

protected:
    ~SourceResultOwner() = default;
};

struct SourceConnection::Impl {
    TdsProcess process;
    TdsMessages messages;  // of the command in progress; attached to the DBPROCESS
    std::vector<std::string> lastInfos;
    SourceResultOwner* streaming = nullptr;

    DBPROCESS* dbproc();
    // Frees the connection for a new command and sends `sql` (UTF-8). Throws DbError.
    void send(const std::string& sql);
    // Reads and drops every result still pending.
    void discardResults();
    // Throws the first collected error, if any. Keeps the infos as the last messages.
    void raiseErrors();
    [[noreturn]] void raise(const std::string& fallback);
    void close() noexcept;
};

}  // namespace db
