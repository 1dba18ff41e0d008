#include "ArchiveTestSupport.h"

#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "archive/ArchiveError.h"

namespace archive_test {

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    EXPECT_TRUE(active_) << "cannot lower the file size limit";
}

FileSizeLimit::~FileSizeLimit() { lift(); }

void FileSizeLimit::lift() {
    if (active_) setrlimit(RLIMIT_FSIZE, &saved_);
    active_ = false;
}

void ArchiveTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    dir_ = (std::filesystem::temp_directory_path() /
            ("lir2orbit-archive-" + std::to_string(getpid()) + "-" + name))
               .string();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ + "/tmp");
    setenv("TMPDIR", (dir_ + "/tmp").c_str(), 1);
}

void ArchiveTest::TearDown() {
    unsetenv("TMPDIR");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\"" << text << "\" does not contain \"" << part << "\"";
}

void expectFailure(const std::function<void()>& action, const std::string& reason) {
    try {
        action();
        ADD_FAILURE() << "no failure; expected one saying: " << reason;
    } catch (const archive::ArchiveError& e) {
        EXPECT_TRUE(contains(e.what(), reason));
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    return bytes;
}

std::string compressibleBytes(std::size_t size, unsigned seed) {
    static const char* words[] = {"ledger ",     "account ",  "voucher ",
                                  "2024-01-31 ", "12345.67 ", "\xD5\xCB\xCC\xD7 ",
                                  "\r\n",        "customer ", "0000 "};
    std::mt19937 rng(seed);
    std::string bytes;
    bytes.reserve(size + 16);
    while (bytes.size() < size) bytes += words[rng() % 9];
    bytes.resize(size);
    return bytes;
}

std::string scramblePayload(const std::string& plain, bool scramble) {
    std::uint32_t state = 523817;
    std::string out = plain;
    for (std::size_t block = 0; block < out.size(); block += 16384) {
        for (std::size_t j = 1; block + j - 1 < out.size() && j <= 16384; ++j) {
            state = state * 134775813u + 1u;
            const auto r = static_cast<std::uint8_t>((std::uint64_t{state} * j) >> 32);
            auto& byte = reinterpret_cast<std::uint8_t&>(out[block + j - 1]);
            byte = static_cast<std::uint8_t>(scramble ? byte + r : byte - r);
        }
    }
    return out;
}

std::string referenceArchive(const std::string& zlibStream, const std::string& productVersion) {
    std::string header(181, '\0');
    header[0] = 32;
    header.replace(1, 32, "QX20030412-2001-0415-QXSOFT-KTNM");
    header[33] = static_cast<char>(productVersion.size());
    header.replace(34, productVersion.size(), productVersion);
    return header + scramblePayload(zlibStream, true);
}

std::string zlibCompress(const std::string& input, int level) {
    uLongf size = compressBound(input.size());
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(input.data()), input.size(), level),
              Z_OK);
    out.resize(size);
    return out;
}

std::string zlibUncompress(const std::string& stream) {
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    zs.avail_in = static_cast<uInt>(stream.size());
    std::string out;
    char buffer[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof buffer;
        status = inflate(&zs, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - zs.avail_out);
    }
    inflateEnd(&zs);
    EXPECT_EQ(status, Z_STREAM_END) << "not a complete zlib stream";
    return out;
}

}  // namespace archive_test
