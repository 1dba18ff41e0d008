#pragma once

#include <sybdb.h>
#include <sybfront.h>

#include <utility>

namespace db {

// Owns one db-lib connection (DBPROCESS).
class TdsProcess {
public:
    TdsProcess() = default;
    explicit TdsProcess(DBPROCESS* process) : process_(process) {}
    ~TdsProcess() noexcept { reset(); }
    TdsProcess(TdsProcess&& other) noexcept : process_(std::exchange(other.process_, nullptr)) {}
    TdsProcess& operator=(TdsProcess&& other) noexcept {
        if (this != &other) {
            reset();
            process_ = std::exchange(other.process_, nullptr);
        }
        return *this;
    }
    TdsProcess(const TdsProcess&) = delete;
    TdsProcess& operator=(const TdsProcess&) = delete;

    DBPROCESS* get() const { return process_; }
    explicit operator bool() const { return process_ != nullptr; }
    void reset() noexcept {
        if (process_) dbclose(process_);
        process_ = nullptr;
    }

private:
    DBPROCESS* process_ = nullptr;
};

// Owns one db-lib login record.
class TdsLogin {
public:
    TdsLogin() : login_(dblogin()) {}
    ~TdsLogin() noexcept {
        if (login_) dbloginfree(login_);
    }
    TdsLogin(TdsLogin&& other) noexcept : login_(std::exchange(other.login_, nullptr)) {}
    TdsLogin& operator=(TdsLogin&& other) noexcept {
        if (this != &other) {
            if (login_) dbloginfree(login_);
            login_ = std::exchange(other.login_, nullptr);
        }
        return *this;
    }
    TdsLogin(const TdsLogin&) = delete;
    TdsLogin& operator=(const TdsLogin&) = delete;

    LOGINREC* get() const { return login_; }

private:
    LOGINREC* login_;
};

}  // namespace db
