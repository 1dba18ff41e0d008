#include "ArchiveFuzzInput.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "archive/ArchiveError.h"
#include "archive/TQXZip.h"
#include "archive/TSplitFileHeader.h"
#include "core/MessageBox.h"
#include "core/TextError.h"

namespace archive_fuzz {

namespace {

class AnsweringBox final : public core::MessageBox {
public:
    core::MessageAnswer show(const std::string&, const std::string&, core::MessageIcon,
                             core::MessageButtons buttons) override {
        return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::Yes
                                                      : core::MessageAnswer::Cancel;
    }
};

void write(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::string RunArchiveInput(const std::uint8_t* data, std::size_t size,
                            const std::string& workDir) {
    namespace fs = std::filesystem;
    fs::remove_all(workDir);
    fs::create_directories(workDir + "/tmp");
    setenv("TMPDIR", (workDir + "/tmp").c_str(), 1);

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string first = workDir + "/in.BAK";
    std::size_t at = 0;
    for (int k = 0; k < 8; ++k) {
        const std::size_t next = input.find(kVolumeSeparator, at);
        write(archive::VolumeFileName(first, k),
              input.substr(at, next == std::string_view::npos ? next : next - at));
        if (next == std::string_view::npos) break;
        at = next + std::string_view(kVolumeSeparator).size();
    }

    const std::string output = workDir + "/out.dat";
    AnsweringBox box;
    archive::TQXZip zip(box);
    std::string problem;
    try {
        const bool unpacked = zip.UnZip(first, output, "QXLedgerSuite");
        if (unpacked != fs::exists(output))
            problem = unpacked ? "success without output" : "output left on failure";
    } catch (const archive::ArchiveError&) {
        if (fs::exists(output)) problem = "output left after an error";
    } catch (const core::TextError&) {
    }
    return problem;
}

}  // namespace archive_fuzz
