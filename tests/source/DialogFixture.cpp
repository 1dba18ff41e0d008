#include "DialogFixture.h"

#include <cstdlib>
#include <fstream>

namespace sourcetest {

DialogFixture::DialogFixture() {
    if (const char* tmp = std::getenv("TMPDIR")) savedTmpDir_ = tmp;
    setenv("TMPDIR", scratch_.path().toUtf8().constData(), 1);
}

DialogFixture::~DialogFixture() {
    if (savedTmpDir_.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", savedTmpDir_.c_str(), 1);
}

void DialogFixture::writeFile(const std::string& path, const std::string& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace sourcetest

#include <filesystem>

#include "archive/FixedVolumeMedia.h"
#include "archive/TQXZip.h"

namespace sourcetest {

void makeArchive(support::ScriptedMessageBox& messages, const std::string& input,
                 const std::string& archive, const std::string& productVersion,
                 const std::string& code, const std::string& name, std::int64_t volumeSize) {
    namespace fs = std::filesystem;
    fs::path target(archive);
    archive::FixedVolumeMedia media(target.parent_path().string(), volumeSize);
    archive::TQXZip zip(messages, &media);
    // A name starting with A goes to the "floppy drive", that is to the volumes.
    std::string outFile = volumeSize > 0 ? target.filename().string() : archive;
    ASSERT_EQ(volumeSize > 0, outFile.front() == 'A' || outFile.front() == 'a') << outFile;
    ASSERT_TRUE(zip.Zip(input, outFile, productVersion, code, name));
    ASSERT_TRUE(fs::exists(archive));
    messages.shown.clear();
}

}  // namespace sourcetest
