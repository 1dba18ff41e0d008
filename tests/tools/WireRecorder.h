#pragma once
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace wiretest {

// A relay on 127.0.0.1 between one client and the server that keeps the bytes
// each side sent, to show what crossed the network in clear.
class WireRecorder {
public:
    // Listens on a free port and relays the first connection to serverPort.
    explicit WireRecorder(int serverPort);
    WireRecorder(const WireRecorder&) = delete;
    WireRecorder& operator=(const WireRecorder&) = delete;
    ~WireRecorder();

    int port() const noexcept { return port_; }
    // Waits for the relayed connection to end (at most a minute), then gives
    // the bytes of each direction.
    const std::string& clientBytes();
    const std::string& serverBytes();

private:
    void relay();
    void finish();

    int serverPort_;
    int listener_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::string fromClient_;
    std::string fromServer_;
    std::thread thread_;
};

// One direction of a connection as the units it was made of, neighbours that
// are alike merged: "tds 12" for a TDS packet of type 0x12, "tds 12 tls" for
// one carrying TLS handshake records, "tls" for TLS records sent bare. Bytes
// that are neither end the list with "junk".
std::vector<std::string> wireUnits(std::string_view bytes);

}  // namespace wiretest
