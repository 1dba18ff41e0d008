#include "archive/TQXZip.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "archive/ArchiveError.h"
#include "archive/BufferedOutputStream.h"
#include "archive/ScramblingStream.h"
#include "archive/TCompressionStream.h"
#include "archive/TDecompressionStream.h"
#include "archive/TSplitFileHeader.h"
#include "archive/VolumeMedia.h"
#include "archive/ZlibError.h"
#include "core/Cp936.h"
#include "core/MessageBox.h"
#include "core/TextError.h"

namespace archive {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "QXZip";
constexpr const char* kSameFileMessage = "源文件不能和目标文件文件名相同。";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return !ec;
}

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

std::string overwriteQuestion(const std::string& target) {
    return "目标文件 : " + fs::path(target).filename().string() + " 已经存在。" + "\r" +
           "目标文件的所有数据将会丢失。是否继续？";
}

// Why an existing `target` cannot be replaced by a new file; empty when it can.
std::string whyNotReplaceable(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return {};
    // Renaming over a device or a directory would be far worse than refusing.
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string why;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        why = "it is in use by another process";
    ::close(fd);
    return why;
}

// Where an unpacking goes when only its size matters.
class CountingStream final : public Stream {
public:
    std::int64_t Read(void*, std::int64_t) override {
        throw StreamError("A counting stream cannot be read");
    }
    std::int64_t Write(const void*, std::int64_t count) override {
        written_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
        if (offset != 0 || origin != SeekOrigin::Current)
            throw StreamError("A counting stream cannot be positioned");
        return written_;
    }

private:
    std::int64_t written_ = 0;
};

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
    output_.reset();  // removes an output that was not committed
    joined_.reset();
}

bool TQXZip::refuse(const std::string& reason) {
    reason_ = reason;
    return false;
}

std::string TQXZip::GetTempFileName() const {
    if (joined_) return joined_->Path();
    if (output_ && OutDiskType == TOutDiskType::odtFloppy) return output_->Path();
    return {};
}

void TQXZip::InitFileHeaderInfo() {
    generator_.Seed();
    header_.SetIdentification();
    header_.SetProductVersion(core::toCp936(ProductVersion));
    header_.SetAccountCode(core::toCp936(AccountCode));
    header_.SetAccountName(core::toCp936(AccountName));
}

void TQXZip::checkHeaderTexts() const {
    const std::pair<const char*, const std::string*> texts[] = {
        {"product version", &ProductVersion},
        {"account code", &AccountCode},
        {"account name", &AccountName}};
    for (const auto& [what, text] : texts) {
        try {
            core::toCp936(*text);
        } catch (const core::TextError&) {
            throw ArchiveError(std::string("The ") + what + " " + inQuotes(*text) +
                               " cannot be stored in an archive: it has a character outside "
                               "code page 936");
        }
    }
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

std::string TQXZip::floppyTarget() const {
    const std::string drive = media_ != nullptr ? media_->Directory(FloppyDriver) : std::string();
    return (fs::path(drive) / fs::path(OutFileName).filename()).string();
}

bool TQXZip::isSource(const std::string& path) const {
    const auto target = FileIdentity::OfPath(path);
    if (!target) return false;
    if (FileIdentity::OfPath(InFileName) == target) return true;
    return std::find(sources_.begin(), sources_.end(), *target) != sources_.end();
}

bool TQXZip::CheckTarget() {
    output_.reset();
    const bool floppy = OutDiskType == TOutDiskType::odtFloppy;
    // Texts alone do not decide: two spellings, or a link, may name one file.
    const std::string target = floppy ? floppyTarget() : OutFileName;
    if (isSource(target)) {
        MsgBox(kSameFileMessage);
        return refuse(inQuotes(InFileName) + " and " + inQuotes(target) +
                      " are the same file; nothing was written");
    }
    // Floppy output is asked about volume by volume when it is cut (FileSplit).
    if (!floppy && fileExists(target)) {
        if (!Confirm(overwriteQuestion(target)))
            return refuse(inQuotes(target) + " exists and replacing it was not confirmed");
        if (const std::string why = whyNotReplaceable(target); !why.empty()) {
            MsgBox("删除目标文件时出现错误。");
            return refuse("Cannot replace " + inQuotes(target) + ": " + why);
        }
    }
    try {
        output_ = floppy ? TemporaryFile::Private("QXDatas") : TemporaryFile::Beside(target);
    } catch (const std::exception& e) {
        MsgBox(e.what());
        output_.reset();
        return refuse(e.what());
    }
    return true;
}

void TQXZip::CompressStream(Stream& source, Stream& destination) {
    auto compression = std::make_unique<TCompressionStream>(level_, destination);
    compression->CopyFrom(source, 0);
    compression->Finish();
}

bool TQXZip::inflateInto(Stream& destination, Stream& source, std::int64_t& delivered) {
    source.SetPosition(0);
    auto decompression = std::make_unique<TDecompressionStream>(source);
    delivered = 0;
    for (;;) {
        const std::int64_t n =
            decompression->Read(decompressionBuffer_.data(), decompressionBuffer_.size());
        if (n == 0) break;
        destination.WriteBuffer(decompressionBuffer_.data(), n);
        delivered += n;
    }
    return decompression->StreamEnded();
}

void TQXZip::DeCompressStream(Stream& destination, Stream& source) {
    std::int64_t delivered = 0;
    // A payload cut short would otherwise unpack as a shorter file without a word.
    if (!inflateInto(destination, source, delivered))
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
    reason_.clear();
    sources_.clear();
    // Before the overwrite question: a header that cannot be written makes it moot.
    checkHeaderTexts();
    if (!CheckTarget()) return false;
    bool complete = true;
    try {
        input_ = std::make_unique<FileStream>(InFileName, FileMode::OpenRead);
        FileStream& output = output_->Stream();
        InitFileHeaderInfo();
        output.WriteBuffer(header_.bytes.data(), TQXProductInfo::kSize);
        ScramblingStream payload(output, generator_);
        CompressStream(*input_, payload);
        input_.reset();
        if (OutDiskType == TOutDiskType::odtFloppy) {
            output_->Close();
            complete = FileSplit(output_->Path(), floppyTarget());
        } else {
            output_->Commit();
        }
    } catch (...) {
        releaseStreams();
        throw;
    }
    releaseStreams();
    return complete;
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
    reason_.clear();
    sources_.clear();
    missingVolume_.clear();
    archiveName_ = InFileName;
    if (OutDiskType == TOutDiskType::odtFloppy) {
        MsgBox("本功能不能解压缩文件到软盘。");
        return refuse("Unpacking onto a floppy disk is not supported");
    }
    if (IsSplitFile(InFileName)) return FileCombine(InFileName, OutFileName);
    return unpackArchive();
}

std::optional<std::int64_t> TQXZip::Test(const std::string& inFile) {
    reason_.clear();
    sources_.clear();
    missingVolume_.clear();
    InFileName = inFile;
    archiveName_ = inFile;
    struct Testing {
        bool& flag;
        explicit Testing(bool& f) : flag(f) { flag = true; }
        ~Testing() { flag = false; }
    } testing(testing_);
    const bool read = IsSplitFile(inFile) ? FileCombine(inFile, OutFileName) : unpackArchive();
    if (!read) return std::nullopt;
    return unpackedSize_;
}

std::string TQXZip::archiveDescription() const {
    return joined_ ? "The split archive starting with " + inQuotes(archiveName_)
                   : "The archive " + inQuotes(archiveName_);
}

bool TQXZip::unpackArchive() {
    try {
        input_ = std::make_unique<FileStream>(InFileName, FileMode::OpenRead);
        if (const auto identity = FileIdentity::OfDescriptor(input_->fd()))
            sources_.push_back(*identity);
        InitFileHeaderInfo();
        const std::int64_t headerRead = input_->Read(header_.bytes.data(), TQXProductInfo::kSize);
        std::fill(header_.bytes.begin() + headerRead, header_.bytes.end(), 0);
        if (!header_.HasArchiveIdentification()) {
            std::string why = "it does not begin with the archive identification";
            if (joined_ && firstVolumeNumber_ != 0)
                why = "it is volume " + std::to_string(firstVolumeNumber_ + 1) +
                      " of a split archive; unpack from the first volume";
            else if (headerRead == 0)
                why = joined_ ? "its volumes hold no data" : "the file is empty";
            releaseStreams();
            return refuse(inQuotes(archiveName_) + " is not a backup archive: " + why);
        }
        if (headerRead < static_cast<std::int64_t>(TQXProductInfo::kSize)) {
            throw ArchiveError(archiveDescription() + " is cut short: it ends after " +
                               std::to_string(headerRead) + " bytes, inside its " +
                               std::to_string(TQXProductInfo::kSize) + "-byte header");
        }
        if (!testing_) {
            if (header_.ProductVersion() != core::toCp936(ProductVersion)) {
                releaseStreams();
                MsgBox("不同的Quoxel软件产品版本！");
                return refuse(inQuotes(archiveName_) + " was made by another product version (" +
                              inQuotes(core::fromCp936Lossy(header_.ProductVersion())) + "; " +
                              inQuotes(ProductVersion) + " is needed)");
            }
            if (!CheckTarget()) {
                releaseStreams();
                return false;
            }
        }

        CountingStream nowhere;
        std::unique_ptr<BufferedOutputStream> written;
        if (!testing_) written = std::make_unique<BufferedOutputStream>(output_->Stream());
        Stream& destination = written ? static_cast<Stream&>(*written) : nowhere;
        ScramblingStream payload(*input_, generator_);
        bool ended = false;
        try {
            ended = inflateInto(destination, payload, unpackedSize_);
        } catch (const EDecompressionError&) {
            throw ArchiveError(archiveDescription() +
                               " is damaged: its compressed data cannot be decoded (near byte " +
                               std::to_string(TQXProductInfo::kSize + payload.Position()) + ")");
        }
        if (!ended) {
            std::string missing;
            if (!missingVolume_.empty())
                missing = " (the volume " + inQuotes(missingVolume_) + " was not found)";
            throw ArchiveError(archiveDescription() + " is cut short: it ends after " +
                               std::to_string(TQXProductInfo::kSize + payload.Position()) +
                               " bytes, before the end of its compressed data" + missing);
        }
        if (written) {
            written->Flush();
            output_->Commit();
        }
    } catch (...) {
        releaseStreams();
        throw;
    }
    releaseStreams();
    return true;
}

bool TQXZip::FileSplit(const std::string& source, const std::string& target) {
    if (!fileExists(source)) {
        MsgBox("源文件不存在。");
        return refuse("The archive to cut into volumes, " + inQuotes(source) + ", does not exist");
    }
    if (fileExists(target) && !Confirm(overwriteQuestion(target))) {
        removeFile(source);
        return refuse(inQuotes(target) + " exists and replacing it was not confirmed");
    }
    // The target is not deleted here: each volume replaces its file only once it
    // is complete.

    const std::string drive = FloppyDriver == TFloppyDriver::fdA ? " A: " : " B: ";
    auto freeSpace = [this] { return media_ != nullptr ? media_->FreeSpace(FloppyDriver) : 0; };
    // A volume may not land on a file the archive was made from.
    auto refusedVolume = [&](const std::string& name) {
        if (!isSource(name)) return false;
        MsgBox(kSameFileMessage);
        refuse(inQuotes(InFileName) + " and the volume " + inQuotes(name) + " are the same file");
        return true;
    };

    // The whole archive onto the one disk, as it is (no volume header).
    auto copyOntoDisk = [&] {
        if (refusedVolume(target)) return false;
        if (!Prompt("请插入软盘到驱动器" + drive + "中并按确定。"))
            return refuse("Writing the archive onto the disk was cancelled");
        try {
            FileStream archive(source, FileMode::OpenRead);
            auto volume = TemporaryFile::Beside(target);
            volume->Stream().CopyFrom(archive, 0);
            volume->Commit();
            return true;
        } catch (const std::exception& e) {
            MsgBox(e.what());
            return refuse(e.what());
        }
    };

    std::error_code ec;
    const auto sourceSize = static_cast<std::int64_t>(fs::file_size(source, ec));
    if (!ec && freeSpace() > sourceSize) {
        const bool copied = copyOntoDisk();
        removeFile(source);
        return copied;
    }

    bool complete = true;
    {
        FileStream archive(source, FileMode::OpenRead);
        std::int64_t remaining = archive.Size();
        int k = 0;
        std::string volumeError;  // why the volume asked for last could not be written
        while (remaining > 0) {
            if (refusedVolume(VolumeFileName(target, k))) {
                complete = false;
                break;
            }
            std::int64_t space = 0;
            do {
                if (!Prompt("请插入第 " + std::to_string(k + 1) + " 张软盘到驱动器" + drive +
                            "中并按确定。")) {
                    complete = false;
                    refuse(volumeError.empty() ? "Writing the volumes was cancelled at volume " +
                                                     std::to_string(k + 1) + "; " +
                                                     std::to_string(k) + " were written"
                                               : "Volume " + std::to_string(k + 1) +
                                                     " could not be written: " + volumeError);
                    break;
                }
                space = freeSpace();
            } while (space <= 1067);
            if (!complete) break;

            const std::int64_t capacity =
                space - static_cast<std::int64_t>(TSplitFileHeader::kSize);
            const std::int64_t pieceStart = archive.Position();
            try {
                const std::string name = VolumeFileName(target, k);
                auto volume = TemporaryFile::Beside(name);
                TSplitFileHeader header;
                header.volumeNumber = static_cast<std::uint8_t>(k);
                header.lastVolume = capacity >= remaining;
                const auto bytes = header.Encode();
                volume->Stream().WriteBuffer(bytes.data(), bytes.size());
                const std::int64_t piece = std::min(capacity, remaining);
                volume->Stream().CopyFrom(archive, piece);
                volume->Commit();
                remaining -= piece;
                ++k;
                volumeError.clear();
            } catch (const std::exception& e) {
                volumeError = e.what();
                // Said, then the same disk is asked for again, and its piece is
                // taken again from where it began.
                MsgBox(e.what());
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
            if (const auto identity = FileIdentity::OfDescriptor(volume.fd()))
                sources_.push_back(*identity);
            std::array<std::uint8_t, TSplitFileHeader::kSize> bytes{};
            if (volume.Read(bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size()))
                throw ArchiveError("The volume " + inQuotes(name) +
                                   " is cut short: it ends inside " + "its " +
                                   std::to_string(bytes.size()) + "-byte header");
            const TSplitFileHeader header = TSplitFileHeader::Decode(bytes);
            if (k == 0) firstVolumeNumber_ = header.volumeNumber;
            // The number byte holds k modulo 256; names keep counting.
            const std::int64_t piece =
                volume.Size() - static_cast<std::int64_t>(TSplitFileHeader::kSize);
            if (header.volumeNumber == static_cast<std::uint8_t>(k) && piece > 0)
                joined.CopyFrom(volume, piece);
            if (header.lastVolume) return;
        }
        name = VolumeFileName(name, k + 1);
        while (!fileExists(name)) {
            if (!Prompt("请插入第 " + std::to_string(k + 2) + " 张软盘到软驱中并按确定。")) {
                missingVolume_ = name;
                return;
            }
        }
    }
}

bool TQXZip::FileCombine(const std::string& first, const std::string& output) {
    if (archiveName_.empty()) archiveName_ = first;
    try {
        joined_ = TemporaryFile::Private("QXDatas");
        gatherVolumes(first, joined_->Stream());
        joined_->Close();  // unpacking opens it again, with its own lock
        InFileName = joined_->Path();
        OutFileName = output;
        SetCompressType(TCompressType::ctNormal);
        OutDiskType = TOutDiskType::odtHard;
        const bool result = unpackArchive();
        joined_.reset();
        return result;
    } catch (...) {
        releaseStreams();
        throw;
    }
}

}  // namespace archive
