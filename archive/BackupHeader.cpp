#include "archive/BackupHeader.h"

#include <array>
#include <cstdint>

#include "archive/FileStream.h"
#include "archive/TQXProductInfo.h"
#include "archive/TSplitFileHeader.h"
#include "core/Cp936.h"

namespace archive {

namespace {

constexpr std::size_t kProbeSize = 50;
constexpr std::size_t kWindowSize = 200;
constexpr std::size_t kProductVersionOffset = 33;
constexpr std::size_t kAccountCodeOffset = 50;
constexpr std::size_t kAccountNameOffset = 83;

template <std::size_t N>
std::string shortString(const std::array<std::uint8_t, N>& bytes, std::size_t offset) {
    std::size_t length = bytes[offset];
    if (length >= 128) return {};
    std::string text;
    for (std::size_t i = offset + 1; i < N && i <= offset + length && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return core::fromCp936Lossy(text);
}

// Reads what the file holds, up to the whole buffer; the rest stays zero.
template <std::size_t N>
bool readWhole(FileStream& file, std::array<std::uint8_t, N>& bytes) {
    return file.Read(bytes.data(), N) == static_cast<std::int64_t>(N);
}

}  // namespace

bool BackupHeader::identified() const { return identification == TQXProductInfo::kIdentification; }

std::string BackupHeader::accountNameBeforeTab() const {
    return accountName.substr(0, accountName.find('\t'));
}

std::string BackupHeader::accountNameAfterTab() const {
    const std::size_t tab = accountName.find('\t');
    return tab == std::string::npos ? accountName : accountName.substr(tab + 1);
}

BackupHeader BackupHeader::Read(FileStream& file) {
    BackupHeader header;
    std::array<std::uint8_t, kProbeSize> probe{};
    file.SetPosition(0);
    header.complete = readWhole(file, probe);
    header.firstVolume = shortString(probe, 0) == TSplitFileHeader::kIdentification;
    std::array<std::uint8_t, kWindowSize> window{};
    file.SetPosition(header.firstVolume ? static_cast<std::int64_t>(TSplitFileHeader::kSize) : 0);
    header.complete = readWhole(file, window) && header.complete;
    header.identification = shortString(window, 0);
    header.productVersion = shortString(window, kProductVersionOffset);
    header.accountCode = shortString(window, kAccountCodeOffset);
    header.accountName = shortString(window, kAccountNameOffset);
    return header;
}

}  // namespace archive
