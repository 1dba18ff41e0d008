#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/FileIdentity.h"
#include "archive/FileStream.h"
#include "archive/QXZipTypes.h"
#include "archive/ScrambleGenerator.h"
#include "archive/TCompressionLevel.h"
#include "archive/TQXProductInfo.h"
#include "archive/TemporaryFile.h"

namespace core {
class MessageBox;
}

namespace archive {

class VolumeMedia;

// Packs a file into a backup archive and unpacks one: a 181-byte header naming
// product version and account set, then the file's zlib stream scrambled in
// blocks of 16,384 bytes. Archives for floppy output are cut into volumes
// (FileSplit); unpacking a first volume gathers the rest (FileCombine).
//
// The component shows its own notices (information, OK), questions (Yes/No) and
// disk prompts (OK/Cancel) through `messageBox`, all with the caption "QXZip".
// `media` stands for the floppy drives and is only needed for floppy output;
// without it no drive has a disk. Both are borrowed and must outlive the
// component. Texts are UTF-8; the header stores them in code page 936.
//
// Data streams through in pieces: memory does not grow with the archive. An
// output file (archive, unpacked file, volume) is written beside its target
// under a temporary name and renamed over it only when complete, so a failure
// or an interruption leaves an existing target as it was and no partial file.
// Volumes are joined in a private temporary file of the operation's own.
//
// Streams and buffers live for one Zip or UnZip; between calls the component
// holds no resources. One thread at a time; every call blocks until done.
// Failures to open, read or write files and corrupt data raise ArchiveError
// with a plain reason after everything has been released; a false result
// leaves its reason in FailureReason().
class TQXZip {
public:
    static constexpr std::int64_t kBlockSize = 16384;
    using TBuf = std::array<std::uint8_t, kBlockSize>;
    using PBuf = std::unique_ptr<TBuf>;

    explicit TQXZip(core::MessageBox& messageBox, VolumeMedia* media = nullptr);
    ~TQXZip();

    // Properties. OutDiskType starts as odtFloppy and FloppyDriver as fdA (the
    // first value of each), as a fresh component always had them; the
    // argument-taking Zip and UnZip set both.
    std::string InFileName;
    std::string OutFileName;
    TOutDiskType OutDiskType = TOutDiskType::odtFloppy;
    TFloppyDriver FloppyDriver = TFloppyDriver::fdA;
    std::string ProductVersion;
    std::string AccountCode;
    std::string AccountName;

    TCompressType CompressType() const { return compressType_; }
    // Also sets the compression level that belongs to it.
    void SetCompressType(TCompressType type);
    TCompressionLevel CompressionLevel() const { return level_; }

    // The header last built or read.
    const TQXProductInfo& Header() const { return header_; }

    // Why the last Zip, UnZip or Test returned false, in words for an operator;
    // empty after a success.
    const std::string& FailureReason() const { return reason_; }

    // Packs InFileName into OutFileName (odtHard) or onto floppy volumes. False
    // when CheckTarget refused or when floppy output was cancelled; raises
    // ArchiveError when a header text has no code-page-936 form (before any
    // question) and when the input cannot be read or the output written (a full
    // disk).
    bool Zip();
    // Floppy output when outFile begins with A or B (either case), on drive A
    // for A and drive B otherwise; compression ctNormal.
    bool Zip(const std::string& inFile, const std::string& outFile,
             const std::string& productVersion, const std::string& accountCode,
             const std::string& accountName);

    // Unpacks InFileName into OutFileName. False without a message when the file
    // is not an archive; false with a message for floppy output, another product
    // version or a refused target. True only when the whole file was unpacked;
    // an archive cut short or damaged raises ArchiveError and leaves no output.
    // A first volume of a split archive goes to FileCombine.
    bool UnZip();
    bool UnZip(const std::string& inFile, const std::string& outFile,
               const std::string& productVersion);

    // Reads the whole archive `inFile` as UnZip would (volumes gathered, of any
    // product version) and writes nothing; returns the unpacked size. nullopt
    // when the file is not an archive; cut short or damaged raises ArchiveError.
    std::optional<std::int64_t> Test(const std::string& inFile);

    void CompressStream(Stream& source, Stream& destination);
    // Raises ArchiveError when the source ends before its zlib stream does.
    void DeCompressStream(Stream& destination, Stream& source);
    void InitFileHeaderInfo();
    // Makes the output: refuses a target that is a source of this operation,
    // asks before replacing an existing one and opens a new temporary file for
    // it (for floppy output a private one, to be cut into volumes).
    bool CheckTarget();
    // The private temporary file of the operation in progress (the joined
    // volumes, or the archive for floppy output); empty when there is none.
    std::string GetTempFileName() const;
    bool IsSplitFile(const std::string& fileName) const;

    // Cuts the archive `source` into volumes named after `target` on the floppy
    // drive, prompting for disks; `source` is deleted afterwards. True when the
    // whole archive was written. A volume that cannot be written is reported
    // with the system's reason and its disk asked for again.
    bool FileSplit(const std::string& source, const std::string& target);
    // Joins the volumes starting with `first` (the next ones are looked for
    // beside it, then asked for) into a private temporary file and unpacks that
    // into `output`; the result is UnZip's.
    bool FileCombine(const std::string& first, const std::string& output);

private:
    void MsgBox(const std::string& text);
    bool Confirm(const std::string& text);
    bool Prompt(const std::string& text);
    void releaseStreams() noexcept;
    void gatherVolumes(const std::string& first, FileStream& joined);
    bool unpackArchive();
    bool inflateInto(Stream& destination, Stream& source, std::int64_t& delivered);
    std::string floppyTarget() const;
    bool isSource(const std::string& path) const;
    bool refuse(const std::string& reason);
    std::string archiveDescription() const;
    void checkHeaderTexts() const;

    core::MessageBox& messageBox_;
    VolumeMedia* media_;
    TCompressType compressType_ = TCompressType::ctNormal;
    TCompressionLevel level_ = TCompressionLevel::clDefault;
    TQXProductInfo header_;
    std::unique_ptr<FileStream> input_;
    std::unique_ptr<TemporaryFile> output_;
    std::unique_ptr<TemporaryFile> joined_;
    // Large pieces keep inflate on its fast path and writes few.
    std::vector<std::uint8_t> decompressionBuffer_ =
        std::vector<std::uint8_t>(std::size_t{1} << 16);
    ScrambleGenerator generator_;

    std::string reason_;
    // The archive as the caller named it (not the joined temporary file).
    std::string archiveName_;
    // Files this operation reads; none of them may become its output.
    std::vector<FileIdentity> sources_;
    std::string missingVolume_;
    int firstVolumeNumber_ = 0;
    bool testing_ = false;
    std::int64_t unpackedSize_ = 0;
};

}  // namespace archive
