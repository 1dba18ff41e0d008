#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tdsserver {

// The fields of a LOGIN7 record that the server acts on, decoded to UTF-8.
struct Login7 {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string database;

    // Throws ProtocolError when an offset or length points outside the record.
    static Login7 parse(std::string_view payload);
};

namespace tds_version {
constexpr std::uint32_t V7_1 = 0x71000001;
constexpr std::uint32_t V7_2 = 0x72090002;
constexpr std::uint32_t V7_3B = 0x730B0003;
constexpr std::uint32_t V7_4 = 0x74000004;
}  // namespace tds_version

}  // namespace tdsserver
