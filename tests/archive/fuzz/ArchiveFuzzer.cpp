// libFuzzer entry: archive and volume bytes into TQXZip::UnZip (and so into
// FileCombine for a first volume).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ArchiveFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string workDir = "/tmp/lir2orbit-archive-fuzz-" + std::to_string(getpid());
    const std::string problem = archive_fuzz::RunArchiveInput(data, size, workDir);
    if (!problem.empty()) {
        std::fprintf(stderr, "archive fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
