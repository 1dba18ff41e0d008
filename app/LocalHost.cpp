#include "LocalHost.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include "core/TextRules.h"

namespace app {

namespace {
// Owns the result list of one getaddrinfo call.
class AddressList {
public:
    explicit AddressList(addrinfo* list) : list_(list) {}
    ~AddressList() noexcept {
        if (list_) freeaddrinfo(list_);
    }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    const addrinfo* get() const { return list_; }

private:
    addrinfo* list_;
};
}  // namespace

std::string GetLocalHostIP() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return {};
    AddressList list(found);
    for (const addrinfo* a = list.get(); a; a = a->ai_next) {
        if (a->ai_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) return text;
    }
    return {};
}

bool isLocalSourceServer(const std::string& serverField, const std::string& localHostIP) {
    std::string s = core::trimBlanks(serverField);
    return (!localHostIP.empty() && s == localHostIP) || s == "127.0.0.1" ||
           core::toLowerAscii(s) == "localhost";
}

}  // namespace app
