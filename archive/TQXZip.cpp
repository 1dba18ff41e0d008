#include "archive/TQXZip.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "archive/ArchiveError.h"
#include "archive/BufferedOutputStream.h"
#include "archive/TCompressionStream.h"
#include "archive/TDecompressionStream.h"
#include "archive/TSplitFileHeader.h"
#include "archive/VolumeMedia.h"
#include "core/Cp936.h"
#include "core/MessageBox.h"

namespace archive {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "QXZip";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return !ec;
}

std::string overwriteQuestion(const std::string& target) {
    return "目标文件 : " + fs::path(target).filename().string() + " 已经存在。" + "\r" +
           "目标文件的所有数据将会丢失。是否继续？";
}

}  // namespace

TQXZip::TQXZip(core::MessageBox& messageBox, VolumeMedia* media)
    : messageBox_(messageBox), media_(media) {}

TQXZip::~TQXZip() = default;

void TQXZip::SetCompressType(TCompressType type) {
    compressType_ = type;
    switch (type) {
        case TCompressType::ctNone:
            level_ = TCompressionLevel::clNone;
            break;
        case TCompressType::ctNormal:
            level_ = TCompressionLevel::clDefault;
            break;
        case TCompressType::ctFastest:
            level_ = TCompressionLevel::clFastest;
            break;
        case TCompressType::ctMaximize:
            level_ = TCompressionLevel::clMax;
            break;
    }
}

void TQXZip::MsgBox(const std::string& text) {
    messageBox_.show(kCaption, text, core::MessageIcon::Information, core::MessageButtons::Ok);
}

bool TQXZip::Confirm(const std::string& text) {
    return messageBox_.show(kCaption, text, core::MessageIcon::None, core::MessageButtons::YesNo) ==
           core::MessageAnswer::Yes;
}

bool TQXZip::Prompt(const std::string& text) {
    return messageBox_.show(kCaption, text, core::MessageIcon::None,
                            core::MessageButtons::OkCancel) == core::MessageAnswer::Ok;
}

void TQXZip::releaseStreams() noexcept {
    input_.reset();
    output_.reset();
    memory_.reset();
    workBuffer_.reset();
}

std::string TQXZip::GetTempFileName() const {
    std::string directory = fs::temp_directory_path().string();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return directory + "QXDatas.tmp";
}

void TQXZip::InitFileHeaderInfo() {
    generator_.Seed();
    header_.SetIdentification();
    header_.SetProductVersion(core::toCp936(ProductVersion));
    header_.SetAccountCode(core::toCp936(AccountCode));
    header_.SetAccountName(core::toCp936(AccountName));
}

bool TQXZip::IsSplitFile(const std::string& fileName) const {
    std::array<std::uint8_t, 1 + TSplitFileHeader::kIdentification.size()> start{};
    std::int64_t n = 0;
    try {
        FileStream file(fileName, FileMode::OpenRead);
        n = file.Read(start.data(), start.size());
    } catch (const StreamError&) {
        return false;  // unpacking will report why the file cannot be read
    }
    return TSplitFileHeader::HasIdentification(start.data(), static_cast<std::size_t>(n));
}

bool TQXZip::CheckTarget() {
    const std::string target =
        OutDiskType == TOutDiskType::odtFloppy ? GetTempFileName() : OutFileName;
    // When the temporary file is the open input of an unpacking, it stays readable.
    removeFile(GetTempFileName());
    if (InFileName == target) {
        MsgBox("源文件不能和目标文件文件名相同。");
        return false;
    }
    if (fileExists(target)) {
        if (!Confirm(overwriteQuestion(target))) return false;
        if (!removeFile(target)) {
            MsgBox("删除目标文件时出现错误。");
            return false;
        }
    }
    try {
        output_ = std::make_unique<FileStream>(target, FileMode::Create);
    } catch (const std::exception& e) {
        MsgBox(e.what());
        output_.reset();
        return false;
    }
    return true;
}

void TQXZip::CompressStream(Stream& source, Stream& destination) {
    auto compression = std::make_unique<TCompressionStream>(level_, destination);
    compression->CopyFrom(source, 0);
    compression->Finish();
}

void TQXZip::DeCompressStream(Stream& destination, Stream& source) {
    source.SetPosition(0);
    auto decompression = std::make_unique<TDecompressionStream>(source);
    for (;;) {
        const std::int64_t n =
            decompression->Read(decompressionBuffer_.data(), decompressionBuffer_.size());
        if (n == 0) break;
        destination.WriteBuffer(decompressionBuffer_.data(), n);
    }
    // A payload cut short would otherwise unpack as a shorter file without a word.
    if (!decompression->StreamEnded())
        throw ArchiveError("The archive is incomplete: its compressed data ends early");
}

bool TQXZip::Zip(const std::string& inFile, const std::string& outFile,
                 const std::string& productVersion, const std::string& accountCode,
                 const std::string& accountName) {
    InFileName = inFile;
    OutFileName = outFile;
    SetCompressType(TCompressType::ctNormal);
    const char drive =
        outFile.empty() ? '\0'
                        : static_cast<char>(std::toupper(static_cast<unsigned char>(outFile[0])));
    OutDiskType = drive == 'A' || drive == 'B' ? TOutDiskType::odtFloppy : TOutDiskType::odtHard;
    FloppyDriver = drive == 'A' ? TFloppyDriver::fdA : TFloppyDriver::fdB;
    ProductVersion = productVersion;
    AccountCode = accountCode;
    AccountName = accountName;
    return Zip();
}

bool TQXZip::Zip() {
    if (!CheckTarget()) return false;
    bool complete = true;
    try {
        input_ = std::make_unique<FileStream>(InFileName, FileMode::OpenRead);
        memory_ = std::make_unique<MemoryStream>();
        CompressStream(*input_, *memory_);
        input_.reset();

        memory_->SetPosition(0);
        output_->SetPosition(0);
        workBuffer_ = std::make_unique<TBuf>();
        InitFileHeaderInfo();
        complete =
            output_->Write(header_.bytes.data(), TQXProductInfo::kSize) == TQXProductInfo::kSize;
        while (complete) {
            lastRead_ = static_cast<std::int32_t>(memory_->Read(workBuffer_->data(), kBlockSize));
            if (lastRead_ == 0) break;
            generator_.Scramble(workBuffer_->data(), static_cast<std::uint32_t>(lastRead_));
            lastWritten_ =
                static_cast<std::int32_t>(output_->Write(workBuffer_->data(), lastRead_));
            complete = lastWritten_ == lastRead_;
        }
    } catch (...) {
        releaseStreams();
        throw;
    }
    releaseStreams();

    if (OutDiskType != TOutDiskType::odtFloppy) return complete;
    if (!complete) {
        removeFile(GetTempFileName());
        return false;
    }
    const std::string drive = media_ != nullptr ? media_->Directory(FloppyDriver) : std::string();
    return FileSplit(GetTempFileName(),
                     (fs::path(drive) / fs::path(OutFileName).filename()).string());
}

bool TQXZip::UnZip(const std::string& inFile, const std::string& outFile,
                   const std::string& productVersion) {
    InFileName = inFile;
    OutFileName = outFile;
    SetCompressType(TCompressType::ctNormal);
    OutDiskType = TOutDiskType::odtHard;
    ProductVersion = productVersion;
    return UnZip();
}

bool TQXZip::UnZip() {
    if (OutDiskType == TOutDiskType::odtFloppy) {
        MsgBox("本功能不能解压缩文件到软盘。");
        return false;
    }
    if (IsSplitFile(InFileName)) return FileCombine(InFileName, OutFileName);

    bool outputCreated = false;
    try {
        input_ = std::make_unique<FileStream>(InFileName, FileMode::OpenRead);
        InitFileHeaderInfo();
        const std::int64_t headerRead = input_->Read(header_.bytes.data(), TQXProductInfo::kSize);
        std::fill(header_.bytes.begin() + headerRead, header_.bytes.end(), 0);
        if (!header_.HasArchiveIdentification()) {
            releaseStreams();
            return false;
        }
        if (headerRead < static_cast<std::int64_t>(TQXProductInfo::kSize)) {
            throw ArchiveError("The archive is incomplete: it ends inside its header");
        }
        if (header_.ProductVersion() != core::toCp936(ProductVersion)) {
            releaseStreams();
            MsgBox("不同的Quoxel软件产品版本！");
            return false;
        }
        if (!CheckTarget()) {
            releaseStreams();
            return false;
        }
        outputCreated = true;

        memory_ = std::make_unique<MemoryStream>();
        // Sized once: a payload of hundreds of megabytes must not be held twice
        // while the block grows.
        memory_->Reserve(input_->Size() - TQXProductInfo::kSize);
        workBuffer_ = std::make_unique<TBuf>();
        for (;;) {
            lastRead_ = static_cast<std::int32_t>(input_->Read(workBuffer_->data(), kBlockSize));
            if (lastRead_ == 0) break;
            generator_.Unscramble(workBuffer_->data(), static_cast<std::uint32_t>(lastRead_));
            lastWritten_ =
                static_cast<std::int32_t>(memory_->Write(workBuffer_->data(), lastRead_));
            if (lastWritten_ != lastRead_) break;
        }
        memory_->SetPosition(0);
        output_->SetPosition(0);
        BufferedOutputStream output(*output_);
        DeCompressStream(output, *memory_);
        output.Flush();
    } catch (...) {
        releaseStreams();
        // What was written is not the archived file; leaving it would pass for a
        // restored backup.
        if (outputCreated) removeFile(OutFileName);
        throw;
    }
    releaseStreams();
    return true;
}

bool TQXZip::FileSplit(const std::string& source, const std::string& target) {
    if (!fileExists(source)) {
        MsgBox("源文件不存在。");
        return false;
    }
    if (fileExists(target) && !Confirm(overwriteQuestion(target))) {
        removeFile(source);
        return false;
    }
    removeFile(target);

    const std::string drive = FloppyDriver == TFloppyDriver::fdA ? " A: " : " B: ";
    auto freeSpace = [this] { return media_ != nullptr ? media_->FreeSpace(FloppyDriver) : 0; };

    std::error_code ec;
    const auto sourceSize = static_cast<std::int64_t>(fs::file_size(source, ec));
    if (!ec && freeSpace() > sourceSize) {
        bool copied = false;
        if (Prompt("请插入软盘到驱动器" + drive + "中并按确定。")) {
            copied = fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) && !ec;
        }
        removeFile(source);
        return copied;
    }

    bool complete = true;
    {
        FileStream archive(source, FileMode::OpenRead);
        std::int64_t remaining = archive.Size();
        int k = 0;
        while (remaining > 0) {
            std::int64_t space = 0;
            do {
                if (!Prompt("请插入第 " + std::to_string(k + 1) + " 张软盘到驱动器" + drive +
                            "中并按确定。")) {
                    complete = false;
                    break;
                }
                space = freeSpace();
            } while (space <= 1067);
            if (!complete) break;

            const std::int64_t capacity =
                space - static_cast<std::int64_t>(TSplitFileHeader::kSize);
            const std::int64_t pieceStart = archive.Position();
            try {
                FileStream volume(VolumeFileName(target, k), FileMode::Create);
                TSplitFileHeader header;
                header.volumeNumber = static_cast<std::uint8_t>(k);
                header.lastVolume = capacity >= remaining;
                const auto bytes = header.Encode();
                volume.WriteBuffer(bytes.data(), bytes.size());
                const std::int64_t piece = std::min(capacity, remaining);
                volume.CopyFrom(archive, piece);
                remaining -= piece;
                ++k;
            } catch (const std::exception&) {
                // Not reported: the same disk is asked for again, and its piece is
                // taken again from where it began.
                archive.SetPosition(pieceStart);
            }
        }
    }
    removeFile(source);
    return complete;
}

void TQXZip::gatherVolumes(const std::string& first, FileStream& joined) {
    std::string name = first;
    for (int k = 0;; ++k) {
        {
            FileStream volume(name, FileMode::OpenRead);
            std::array<std::uint8_t, TSplitFileHeader::kSize> bytes{};
            volume.ReadBuffer(bytes.data(), bytes.size());
            const TSplitFileHeader header = TSplitFileHeader::Decode(bytes);
            // The number byte holds k modulo 256; names keep counting.
            const std::int64_t piece =
                volume.Size() - static_cast<std::int64_t>(TSplitFileHeader::kSize);
            if (header.volumeNumber == static_cast<std::uint8_t>(k) && piece > 0)
                joined.CopyFrom(volume, piece);
            if (header.lastVolume) return;
        }
        name = VolumeFileName(name, k + 1);
        while (!fileExists(name)) {
            if (!Prompt("请插入第 " + std::to_string(k + 2) + " 张软盘到软驱中并按确定。")) return;
        }
    }
}

bool TQXZip::FileCombine(const std::string& first, const std::string& output) {
    const std::string temp = GetTempFileName();
    bool result = false;
    try {
        {
            FileStream joined(temp, FileMode::Create);
            gatherVolumes(first, joined);
        }
        InFileName = temp;
        OutFileName = output;
        SetCompressType(TCompressType::ctNormal);
        OutDiskType = TOutDiskType::odtHard;
        result = UnZip();
    } catch (...) {
        removeFile(temp);
        throw;
    }
    removeFile(temp);
    return result;
}

}  // namespace archive
