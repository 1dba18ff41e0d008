#include "DbLibClient.h"

#include <sybdb.h>

#include <mutex>
#include <stdexcept>

namespace dblibtest {
namespace {

std::mutex messagesMutex;
std::vector<Message> collected;

int onMessage(DBPROCESS*, DBINT number, int, int severity, char* text, char*, char*, int) {
    std::lock_guard lock(messagesMutex);
    collected.push_back({static_cast<int>(number), severity, text ? text : ""});
    return 0;
}

int onError(DBPROCESS*, int severity, int dberr, int, char* dberrstr, char* oserrstr) {
    std::lock_guard lock(messagesMutex);
    collected.push_back(
        {dberr, severity, std::string(dberrstr ? dberrstr : "") + (oserrstr ? oserrstr : "")});
    return INT_CANCEL;
}

void initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        dbinit();
        dbmsghandle(onMessage);
        dberrhandle(onError);
    });
}

}  // namespace

std::vector<Message> takeMessages() {
    std::lock_guard lock(messagesMutex);
    std::vector<Message> out;
    out.swap(collected);
    return out;
}

std::string Outcome::errorText() const {
    std::string text;
    for (const Message& m : messages)
        if (m.severity > 10) text += (text.empty() ? "" : "\n") + m.text;
    return text;
}

Connection::Connection(const std::string& address, const std::string& user,
                       const std::string& password, const std::string& database) {
    initialise();
    takeMessages();
    LOGINREC* login = dblogin();
    DBSETLUSER(login, user.c_str());
    DBSETLPWD(login, password.c_str());
    DBSETLAPP(login, "tds-testserver tests");
    DBSETLCHARSET(login, "GB18030");
    DBSETLVERSION(login, DBVERSION_74);
    if (!database.empty()) DBSETLDBNAME(login, database.c_str());
    proc_ = dbopen(login, address.c_str());
    dbloginfree(login);
    if (!proc_) {
        std::string text;
        for (const Message& m : takeMessages())
            text += std::to_string(m.number) + ": " + m.text + "\n";
        throw std::runtime_error(text);
    }
    takeMessages();
}

Connection::~Connection() {
    if (proc_) dbclose(proc_);
}

Outcome Connection::run(const std::string& sql) {
    Outcome outcome;
    takeMessages();
    dbcmd(proc_, sql.c_str());
    outcome.succeeded = dbsqlexec(proc_) == SUCCEED;
    if (outcome.succeeded) {
        RETCODE rc;
        while ((rc = dbresults(proc_)) != NO_MORE_RESULTS) {
            if (rc == FAIL) {
                outcome.succeeded = false;
                break;
            }
            const int columns = dbnumcols(proc_);
            if (columns == 0 && dbcount(proc_) < 0) continue;
            ResultSet set;
            for (int c = 1; c <= columns; ++c)
                set.columns.push_back(
                    {dbcolname(proc_, c), dbcoltype(proc_, c), dbcollen(proc_, c)});
            while (dbnextrow(proc_) != NO_MORE_ROWS) {
                std::vector<std::optional<std::string>> row;
                for (int c = 1; c <= columns; ++c) {
                    const BYTE* data = dbdata(proc_, c);
                    const DBINT length = dbdatlen(proc_, c);
                    if (!data && length == 0)
                        row.emplace_back(std::nullopt);
                    else
                        row.emplace_back(std::string(reinterpret_cast<const char*>(data), length));
                }
                set.rows.push_back(std::move(row));
            }
            set.count = dbcount(proc_);
            outcome.results.push_back(std::move(set));
        }
    } else {
        dbcancel(proc_);
    }
    outcome.messages = takeMessages();
    for (const Message& m : outcome.messages)
        if (m.severity > 10) outcome.succeeded = false;
    return outcome;
}

std::string Connection::text(int type, const std::string& raw) {
    char buffer[512];
    const DBINT n = dbconvert(proc_, type, reinterpret_cast<const BYTE*>(raw.data()),
                              static_cast<DBINT>(raw.size()), SYBCHAR,
                              reinterpret_cast<BYTE*>(buffer), sizeof buffer - 1);
    if (n < 0) return "<unconvertible>";
    return std::string(buffer, n);
}

std::string Connection::currentDatabase() { return dbname(proc_); }

}  // namespace dblibtest
