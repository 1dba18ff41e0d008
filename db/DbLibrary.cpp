#include "DbLibrary.h"

#include <sybdb.h>
#include <sybfront.h>

#include <mutex>

#include "DbError.h"
#include "core/Cp936.h"

namespace db {

namespace {

thread_local TdsMessages* loginMessages = nullptr;

TdsMessages* messagesOf(DBPROCESS* dbproc) {
    if (dbproc) {
        if (auto* attached = reinterpret_cast<TdsMessages*>(dbgetuserdata(dbproc))) return attached;
    }
    return loginMessages;
}

// Texts arrive in the client character set, GB18030.
std::string decodeText(const char* text) {
    return text ? core::fromCp936Lossy(text) : std::string();
}

int onMessage(DBPROCESS* dbproc, DBINT number, int, int severity, char* text, char*, char*, int) {
    TdsMessages* messages = messagesOf(dbproc);
    if (!messages) return 0;
    if (severity > 10) {
        messages->errors.push_back({static_cast<int>(number), decodeText(text)});
    } else {
        messages->infos.push_back(decodeText(text));
    }
    return 0;
}

int onError(DBPROCESS* dbproc, int, int dberr, int, char* dberrstr, char* oserrstr) {
    // SYBESMSG only points at the server's messages, which onMessage has collected.
    if (dberr != SYBESMSG) {
        if (TdsMessages* messages = messagesOf(dbproc)) {
            std::string text = decodeText(dberrstr);
            if (oserrstr && *oserrstr) text += " (" + decodeText(oserrstr) + ")";
            messages->errors.push_back({dberr, std::move(text)});
        }
    }
    // Never INT_EXIT (db-lib's default would end the process): the caller raises.
    return INT_CANCEL;
}

}  // namespace

void DbLibrary::initialize() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = dbinit() == SUCCEED;
        if (!ok) return;
        dberrhandle(onError);
        dbmsghandle(onMessage);
        dbsetlogintime(15);
        dbsettime(0);
    });
    if (!ok) throw ConnectError("FreeTDS db-lib could not be initialised");
}

DbLibrary::LoginScope::LoginScope(TdsMessages& messages) : previous_(loginMessages) {
    loginMessages = &messages;
}

DbLibrary::LoginScope::~LoginScope() noexcept { loginMessages = previous_; }

}  // namespace db
