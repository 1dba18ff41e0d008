#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/VolumeMedia.h"
#include "core/MessageBox.h"
#include "support/ScriptedMessageBox.h"

namespace archive_test {

using support::ScriptedMessageBox;

// Floppy disks of given free sizes, one after another: the next disk is "in the
// drive" after each disk prompt (wire `insertNext` into the message box).
class DiskSequenceMedia final : public archive::VolumeMedia {
public:
    DiskSequenceMedia(std::string directory, std::vector<std::int64_t> disks)
        : directory_(std::move(directory)), disks_(std::move(disks)) {}

    void insertNext() { ++current_; }
    std::int64_t FreeSpace(archive::TFloppyDriver) override {
        return current_ < disks_.size() ? disks_[current_] : disks_.empty() ? 0 : disks_.back();
    }
    std::string Directory(archive::TFloppyDriver) override { return directory_; }

private:
    std::string directory_;
    std::vector<std::int64_t> disks_;
    std::size_t current_ = 0;
};

// Lowers the largest file this process may write, as a full disk would; undone
// on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    void lift();

private:
    rlimit saved_{};
    bool active_ = false;
};

// A fresh directory per test, also set as TMPDIR so that the component's
// temporary file is private to the test.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

// Whether `text` contains `part`, showing both when not.
::testing::AssertionResult contains(const std::string& text, const std::string& part);
// Expects `action` to raise an ArchiveError whose text contains `reason`.
void expectFailure(const std::function<void()>& action, const std::string& reason);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
std::string randomBytes(std::size_t size, unsigned seed);
// Text-like data that compresses well.
std::string compressibleBytes(std::size_t size, unsigned seed);

// The payload rule written out independently: byte j of each 16,384-byte block
// minus (or plus) the generator value for j, the generator seeded once.
std::string scramblePayload(const std::string& plain, bool scramble);
// A complete archive for `input`, built from zlib and the rules above.
std::string referenceArchive(const std::string& zlibStream, const std::string& productVersion);
std::string zlibCompress(const std::string& input, int level);
std::string zlibUncompress(const std::string& stream);

}  // namespace archive_test
