#include "TBackupFileInfo.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "archive/ArchiveError.h"
#include "archive/FileStream.h"
#include "core/Cp936.h"

namespace source {

namespace {

constexpr std::int64_t kProbeSize = 50;
constexpr std::int64_t kHeaderSize = 200;
constexpr std::int64_t kSplitHeaderSize = 43;

// A length byte, then at most that many bytes, ending early at a zero byte; a
// length of 128 or more reads as empty.
std::string shortString(const std::uint8_t* bytes, std::size_t available, std::size_t offset) {
    if (offset >= available) return {};
    std::size_t length = bytes[offset];
    if (length >= 128) return {};
    std::string text;
    for (std::size_t i = offset + 1; i < available && i <= offset + length && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return core::fromCp936Lossy(text);
}

}  // namespace

bool TBackupFileInfo::Read(const std::string& path) {
    archive::FileStream file(path, archive::FileMode::OpenRead);
    ProductVersion.clear();
    AccountCode.clear();
    AccountName.clear();
    FileId.clear();
    AccountNameHead.clear();
    try {
        std::array<std::uint8_t, kProbeSize> probe{};
        file.ReadBuffer(probe.data(), kProbeSize);
        std::int64_t start =
            shortString(probe.data(), probe.size(), 0) == SplitId ? kSplitHeaderSize : 0;
        std::array<std::uint8_t, kHeaderSize> header{};
        file.SetPosition(start);
        file.ReadBuffer(header.data(), kHeaderSize);
        FileId = shortString(header.data(), header.size(), 0);
        if (FileId != ArchiveId) return false;
        ProductVersion = shortString(header.data(), header.size(), 33);
        AccountCode = shortString(header.data(), header.size(), 50);
        std::string name = shortString(header.data(), header.size(), 83);
        auto tab = name.find('\t');
        AccountNameHead = name.substr(0, tab);
        AccountName = tab == std::string::npos ? name : name.substr(tab + 1);
    } catch (const archive::ArchiveError&) {
        return false;
    }
    return true;
}

}  // namespace source
