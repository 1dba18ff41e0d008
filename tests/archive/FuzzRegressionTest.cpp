#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ArchiveTestSupport.h"
#include "fuzz/ArchiveFuzzInput.h"

namespace {

// Inputs that once looped, crashed or left a false output, kept so they stay fixed.
TEST(ArchiveFuzzRegressions, EveryKeptInputIsHandled) {
    const std::string workDir = (std::filesystem::temp_directory_path() /
                                 ("lir2orbit-archive-regress-" + std::to_string(getpid())))
                                    .string();
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LIR2ORBIT_ARCHIVE_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = archive_test::readFile(entry.path().string());
        EXPECT_EQ(archive_fuzz::RunArchiveInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                bytes.size(), workDir),
                  "");
        ++inputs;
    }
    unsetenv("TMPDIR");
    std::filesystem::remove_all(workDir);
    EXPECT_GT(inputs, 0) << "no kept inputs in " << LIR2ORBIT_ARCHIVE_REGRESSIONS;
}

}  // namespace
