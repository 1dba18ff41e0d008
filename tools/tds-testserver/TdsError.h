#pragma once
#include <stdexcept>
#include <string>

namespace tdsserver {

// A client that breaks the protocol (bad packet, bad login record, lost socket):
// the session logs the text and closes that connection only.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A statement that fails: sent to the client as an ERROR token with this number
// and text, ending the batch but keeping the connection.
class SqlError : public std::runtime_error {
public:
    SqlError(int number, const std::string& message)
        : std::runtime_error(message), number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

}  // namespace tdsserver
