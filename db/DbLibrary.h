#pragma once

#include <string>
#include <vector>

namespace db {

// What the server (or db-lib itself) reported during one command.
struct TdsMessages {
    struct Error {
        int number = 0;
        std::string text;
    };
    std::vector<Error> errors;       // severity above 10, and db-lib's own failures
    std::vector<std::string> infos;  // informational messages

    void clear() {
        errors.clear();
        infos.clear();
    }
};

// The process-wide part of FreeTDS db-lib: initialised once (thread-safe) with a
// login time-out of 15 s, no command time-out, and message and error handlers that
// deliver into the TdsMessages attached to each DBPROCESS.
class DbLibrary {
public:
    static void initialize();

    // Where messages of a login in progress on this thread go: the DBPROCESS that
    // would carry them does not exist yet.
    class LoginScope {
    public:
        explicit LoginScope(TdsMessages& messages);
        ~LoginScope() noexcept;
        LoginScope(const LoginScope&) = delete;
        LoginScope& operator=(const LoginScope&) = delete;

    private:
        TdsMessages* previous_;
    };
};

}  // namespace db
