// Bad clients must cost only their own connection.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "DbLibClient.h"
#include "support/TdsTestServer.h"

namespace {

class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("connect failed");
    }
    ~RawClient() { ::close(fd_); }

    void send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // True when the server closes the connection within timeoutMs (data it
    // sends before closing is read and dropped).
    bool closedByServer(int timeoutMs) {
        char buffer[4096];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return false;
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) return true;
        }
    }

    // Reads one packet's payload; last tells whether it ended its message.
    std::string readPacket(bool& last) {
        char header[8];
        readExact(header, 8);
        const std::size_t length = (std::size_t(static_cast<unsigned char>(header[2])) << 8) |
                                   static_cast<unsigned char>(header[3]);
        std::string payload(length - 8, '\0');
        readExact(payload.data(), payload.size());
        last = header[1] & 1;
        return payload;
    }

    // The rest of the current reply message.
    std::string reply() {
        std::string message;
        bool last = false;
        while (!last) message += readPacket(last);
        return message;
    }

private:
    void readExact(char* data, std::size_t n) {
        while (n > 0) {
            const ssize_t got = ::recv(fd_, data, n, 0);
            if (got <= 0) throw std::runtime_error("server closed the connection");
            data += got;
            n -= static_cast<std::size_t>(got);
        }
    }
    int fd_ = -1;
};

std::string packet(std::uint8_t type, const std::string& payload) {
    const std::size_t length = payload.size() + 8;
    std::string header = {static_cast<char>(type),
                          1,
                          static_cast<char>(length >> 8),
                          static_cast<char>(length & 0xFF),
                          0,
                          0,
                          1,
                          0};
    return header + payload;
}

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

void putU16(std::string& s, std::size_t at, std::size_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

// A TDS 7.1 LOGIN7 record (no batch headers to deal with afterwards).
std::string login71(const std::string& user, const std::string& password) {
    std::string record(86, '\0');
    std::string data;
    auto field = [&](std::size_t pairAt, const std::string& text) {
        putU16(record, pairAt, 86 + data.size());
        putU16(record, pairAt + 2, text.size() / 2);
        data += text;
    };
    field(36, utf16("raw"));
    field(40, utf16(user));
    std::string scrambled = utf16(password);
    for (char& c : scrambled) {
        const auto v = static_cast<unsigned char>(c);
        c = static_cast<char>((((v & 0x0F) << 4) | (v >> 4)) ^ 0xA5);
    }
    field(44, scrambled);
    field(48, utf16("raw"));
    record += data;
    const std::size_t length = record.size();
    record[0] = static_cast<char>(length & 0xFF);
    record[1] = static_cast<char>(length >> 8);
    const unsigned char version[] = {0x01, 0x00, 0x00, 0x71};
    record.replace(4, 4, reinterpret_cast<const char*>(version), 4);
    putU16(record, 8, 4096);
    return record;
}

// A PRELOGIN with VERSION and ENCRYPTION only.
std::string preLogin(std::uint8_t encryption) {
    return std::string(
               "\x00\x00\x0B\x00\x06\x01\x00\x11\x00\x01\xFF"
               "\x09\x00\x00\x00\x00\x00",
               17) +
           static_cast<char>(encryption);
}

// The ENCRYPTION byte of a PRELOGIN answer, -1 when it has none.
int encryptionOf(const std::string& answer) {
    for (std::size_t at = 0; at + 5 <= answer.size() && answer[at] != '\xFF'; at += 5) {
        const std::size_t offset = std::size_t(static_cast<unsigned char>(answer[at + 1])) << 8 |
                                   static_cast<unsigned char>(answer[at + 2]);
        if (answer[at] == 0x01 && offset < answer.size())
            return static_cast<unsigned char>(answer[offset]);
    }
    return -1;
}

class Robustness : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new support::TdsTestServer(); }
    static void TearDownTestSuite() { delete server_; }

    void expectStillServing() {
        dblibtest::Connection conn(server_->address(), server_->user(), server_->password(),
                                   "master");
        EXPECT_TRUE(conn.run("select 1 as a").succeeded);
    }
    static support::TdsTestServer* server_;
};

support::TdsTestServer* Robustness::server_ = nullptr;

TEST_F(Robustness, MalformedInputClosesOnlyThatConnection) {
    std::string badLogin = login71("sa", "Test-Pass1");
    putU16(badLogin, 40, 60000);  // user name outside the record
    const std::pair<const char*, std::string> cases[] = {
        {"garbage", std::string("GET / HTTP/1.0\r\n\r\nnot tds at all")},
        {"over-long packet length",
         std::string("\x12\x01\xFF\xFF\x00\x00\x00\x00", 8) + std::string(64, 'x')},
        {"length shorter than the header", std::string("\x12\x01\x00\x04\x00\x00\x00\x00", 8)},
        {"login record pointing outside itself", packet(0x10, badLogin)},
        {"unknown packet type", packet(0x7E, "zz")},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        RawClient client(server_->port());
        client.send(bytes);
        EXPECT_TRUE(client.closedByServer(5000));
        expectStillServing();
    }
}

TEST_F(Robustness, TruncatedPacketAndVanishingClients) {
    {
        RawClient client(server_->port());
        client.send(std::string("\x12\x01\x00\x40\x00\x00\x00\x00", 8) + "only part of it");
    }  // closed in the middle of the packet
    expectStillServing();

    {
        RawClient client(server_->port());
        client.send(packet(0x10, login71("sa", "Test-Pass1")));
        client.reply();
        client.send(
            packet(0x01, utf16("select g, repeat('x', 50) from generate_series(1, 500000) g")));
        bool last = false;
        client.readPacket(last);
    }  // gone in the middle of a long result
    expectStillServing();
}

TEST_F(Robustness, AttentionCancelsARunningResult) {
    RawClient client(server_->port());
    client.send(packet(0x10, login71("sa", "Test-Pass1")));
    client.reply();
    client.send(packet(0x01, utf16("select g from generate_series(1, 5000000) g")));
    bool last = false;
    client.readPacket(last);
    ASSERT_FALSE(last);
    client.send(packet(0x06, ""));
    // The reply ends early with a DONE (token, status, command, 4-byte count at
    // 7.1) whose status carries the attention bit.
    const std::string rest = client.reply();
    ASSERT_GE(rest.size(), 9u);
    EXPECT_LT(rest.size(), 5000000u * 5) << "the whole result was sent";
    EXPECT_EQ(static_cast<unsigned char>(rest[rest.size() - 9]), 0xFD);
    EXPECT_TRUE(rest[rest.size() - 8] & 0x20) << "last DONE lacks the attention bit";
    // The connection goes on.
    client.send(packet(0x01, utf16("select 1")));
    EXPECT_FALSE(client.reply().empty());
}

TEST(RequiredEncryption, AClientThatCannotEncryptIsRefusedNotKeptWaiting) {
    support::TdsTestServer server(std::vector<std::string>{"--encrypt", "required"});
    const std::string refusal = utf16("The server requires encryption");
    struct Case {
        const char* what;
        bool sendsPreLogin;
    };
    for (const Case& c :
         {Case{"not supported in its PRELOGIN", true}, Case{"no PRELOGIN", false}}) {
        SCOPED_TRACE(c.what);
        RawClient client(server.port());
        if (c.sendsPreLogin) {
            client.send(packet(0x12, preLogin(0x02)));
            EXPECT_EQ(encryptionOf(client.reply()), 0x03);  // ENCRYPT_REQ
        }
        // A client that logs in in clear all the same gets the refusal, then the close.
        client.send(packet(0x10, login71("sa", "Test-Pass1")));
        const std::string reply = client.reply();
        EXPECT_EQ(static_cast<unsigned char>(reply[0]), 0xAA);  // ERROR
        EXPECT_NE(reply.find(refusal), std::string::npos);
        EXPECT_TRUE(client.closedByServer(30000));
    }
}

}  // namespace
