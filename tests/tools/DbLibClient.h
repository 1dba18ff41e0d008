#pragma once
#include <optional>
#include <string>
#include <vector>

struct tds_dblib_dbprocess;

// A small FreeTDS db-lib client for the end-to-end tests: connects the way
// the tool does (TDS 7.4, client charset GB18030) and collects results with
// their raw value bytes and every server message.
namespace dblibtest {

struct Column {
    std::string name;
    int type = 0;  // SYB* type code as db-lib reports it
    int length = 0;
};

struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;  // raw bytes from dbdata
    long count = -1;
};

struct Message {
    int number;
    int severity;
    std::string text;
};

struct Outcome {
    bool succeeded = false;  // dbsqlexec and every dbresults succeeded
    std::vector<ResultSet> results;
    std::vector<Message> messages;
    std::string errorText() const;  // texts of the messages of severity > 10
};

class Connection {
public:
    // Throws std::runtime_error with the collected messages when dbopen fails.
    Connection(const std::string& address, const std::string& user, const std::string& password,
               const std::string& database);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    Outcome run(const std::string& sql);
    // A value converted to text by db-lib itself.
    std::string text(int resultColumnType, const std::string& raw);
    std::string currentDatabase();

private:
    tds_dblib_dbprocess* proc_ = nullptr;
};

// Messages db-lib delivered since the last call (login failures land here).
std::vector<Message> takeMessages();

}  // namespace dblibtest
