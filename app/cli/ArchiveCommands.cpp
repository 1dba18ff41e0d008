// lir2orbit-cli info / test / unzip / zip: look inside, check, unpack and pack
// backup archives without a desktop. Every failure ends with one line saying
// why (exit status 1); a wrong command line shows the usage (exit status 2).
#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "app/CliMessageBox.h"
#include "archive/ArchiveError.h"
#include "archive/BackupHeader.h"
#include "archive/FileStream.h"
#include "archive/FixedVolumeMedia.h"
#include "archive/TQXZip.h"
#include "core/Cp936.h"
#include "core/MessageBox.h"

namespace {

// The component's boxes on stderr. Questions are answered by --yes (otherwise
// refused, never asked); disk prompts by `diskAnswer`, except that the same
// prompt twice in a row is cancelled: the disk (a directory) did not change, so
// retrying cannot help.
void answerArchiveBoxes(app::CliMessageBox& messages, core::MessageAnswer diskAnswer) {
    messages.setNoTerminalHint("pass --yes to confirm");
    messages.setPromptRule(diskAnswer, true);
}

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool yes = false;
};

// Options take a value ("--name value"); --yes alone. nullopt on a bad option.
std::optional<Arguments> parse(const std::vector<std::string>& args,
                               const std::vector<std::string>& known) {
    Arguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--yes") {
            parsed.yes = true;
        } else if (arg.rfind("--", 0) == 0) {
            if (std::find(known.begin(), known.end(), arg) == known.end() || i + 1 == args.size()) {
                std::cerr << "unknown option or missing value: " << arg << "\n";
                return std::nullopt;
            }
            parsed.options[arg] = args[++i];
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return parsed;
}

// --yes answers questions; without it they are refused (no terminal is asked).
std::optional<bool> presetYes(const Arguments& args) {
    return args.yes ? std::optional<bool>(true) : std::nullopt;
}

std::string option(const Arguments& args, const std::string& name,
                   const std::string& fallback = {}) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? fallback : it->second;
}

// Runs a command, turning what escapes it into one line with the reason. The
// archive layer's reasons are plain already; memory is the one that is not.
int reporting(const char* name, const std::function<int()>& command) {
    // Past a file size limit a write then fails with its reason instead of the
    // process being killed halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return command();
    } catch (const std::bad_alloc&) {
        std::cerr << "lir2orbit-cli " << name << ": not enough memory\n";
    } catch (const std::exception& e) {
        std::cerr << "lir2orbit-cli " << name << ": " << e.what() << "\n";
    }
    return 1;
}

int failed(const char* name, const std::string& reason) {
    std::cerr << "lir2orbit-cli " << name << ": " << reason << "\n";
    return 1;
}

int info(const std::vector<std::string>& rawArgs) {
    if (rawArgs.size() != 1) {
        std::cerr << "usage: lir2orbit-cli info ARCHIVE\n";
        return 2;
    }
    return reporting("info", [&] {
        archive::FileStream file(rawArgs[0], archive::FileMode::OpenRead);
        const archive::BackupHeader header = archive::BackupHeader::Read(file);
        const bool identified = header.identified();
        std::cout << "identification: " << (identified ? "ok" : "mismatch") << "\n";
        if (!identified) {  // the other fields would be noise
            return failed("info", "\"" + rawArgs[0] +
                                      "\" is not a backup archive: it does not begin with the "
                                      "archive identification");
        }
        std::cout << "product version: " << header.productVersion << "\n"
                  << "account code: " << header.accountCode << "\n"
                  << "account name before tab: " << header.accountNameBeforeTab() << "\n"
                  << "account name after tab: " << header.accountNameAfterTab() << "\n"
                  << "first volume of a split archive: " << (header.firstVolume ? "yes" : "no")
                  << "\n"
                  << "payload: not read (this is the header only; 'lir2orbit-cli test ARCHIVE' "
                     "reads the whole archive)\n";
        return 0;
    });
}

int test(const std::vector<std::string>& rawArgs) {
    if (rawArgs.size() != 1 || rawArgs[0].rfind("--", 0) == 0) {
        std::cerr << "usage: lir2orbit-cli test ARCHIVE\n";
        return 2;
    }
    return reporting("test", [&] {
        // Only the volumes lying beside the first are read: nobody can insert a disk.
        app::CliMessageBox messages(std::cerr, std::cin, false, false);
        answerArchiveBoxes(messages, core::MessageAnswer::Cancel);
        archive::TQXZip zip(messages);
        const auto size = zip.Test(rawArgs[0]);
        if (!size) return failed("test", zip.FailureReason());
        std::cout << "ok: " << *size << " bytes unpacked (product version "
                  << core::fromCp936Lossy(zip.Header().ProductVersion()) << ")\n";
        return 0;
    });
}

int unzip(const std::vector<std::string>& rawArgs) {
    const auto args = parse(rawArgs, {"--product-version"});
    if (!args || args->positional.size() != 2) {
        std::cerr << "usage: lir2orbit-cli unzip ARCHIVE OUTFILE [--product-version V] [--yes]\n";
        return 2;
    }
    return reporting("unzip", [&] {
        // A missing volume will not appear: its prompt is cancelled.
        app::CliMessageBox messages(std::cerr, std::cin, false, presetYes(*args));
        answerArchiveBoxes(messages, core::MessageAnswer::Cancel);
        archive::TQXZip zip(messages);
        const std::string& out = args->positional[1];
        if (!zip.UnZip(args->positional[0], out,
                       option(*args, "--product-version", "QXLedgerSuite")))
            return failed("unzip", zip.FailureReason());
        return 0;
    });
}

int zip(const std::vector<std::string>& rawArgs) {
    const auto args = parse(rawArgs, {"--product-version", "--account-code", "--account-name",
                                      "--level", "--volume-size"});
    static const std::map<std::string, archive::TCompressType> levels = {
        {"none", archive::TCompressType::ctNone},
        {"fastest", archive::TCompressType::ctFastest},
        {"default", archive::TCompressType::ctNormal},
        {"max", archive::TCompressType::ctMaximize}};
    const std::string level = args ? option(*args, "--level", "default") : "";
    const std::string volumeSize = args ? option(*args, "--volume-size") : "";
    std::int64_t diskSize = 0;
    try {
        if (!volumeSize.empty()) diskSize = std::stoll(volumeSize);
    } catch (const std::exception&) {
        diskSize = -1;
    }
    if (!args || args->positional.size() != 2 || !args->options.count("--product-version") ||
        !args->options.count("--account-code") || !args->options.count("--account-name") ||
        !levels.count(level) || (!volumeSize.empty() && diskSize <= 1067)) {
        std::cerr << "usage: lir2orbit-cli zip INFILE ARCHIVE --product-version V --account-code C "
                     "--account-name N\n"
                     "         [--level none|fastest|default|max] [--volume-size BYTES (above "
                     "1067)] [--yes]\n";
        return 2;
    }
    return reporting("zip", [&] {
        const std::string& archivePath = args->positional[1];
        const std::filesystem::path parent = std::filesystem::path(archivePath).parent_path();
        archive::FixedVolumeMedia media(parent.empty() ? std::filesystem::path(".") : parent,
                                        diskSize);

        app::CliMessageBox messages(std::cerr, std::cin, false, presetYes(*args));
        answerArchiveBoxes(messages, core::MessageAnswer::Ok);  // each volume gets a fresh "disk"
        archive::TQXZip packer(messages, &media);
        packer.InFileName = args->positional[0];
        packer.OutFileName = archivePath;
        packer.OutDiskType =
            volumeSize.empty() ? archive::TOutDiskType::odtHard : archive::TOutDiskType::odtFloppy;
        packer.SetCompressType(levels.at(level));
        packer.ProductVersion = option(*args, "--product-version");
        packer.AccountCode = option(*args, "--account-code");
        packer.AccountName = option(*args, "--account-name");
        if (!packer.Zip()) return failed("zip", packer.FailureReason());
        return 0;
    });
}

const cli::CommandRegistration infoCommand(
    {"info", "info ARCHIVE",
     "Shows the header of a backup archive (exit 1 when it is none); the payload is not read.",
     info});
const cli::CommandRegistration testCommand({"test", "test ARCHIVE",
                                            "Reads a whole backup archive (volumes gathered) and "
                                            "says ok with its unpacked size, or what is wrong.",
                                            test});
const cli::CommandRegistration unzipCommand({"unzip",
                                             "unzip ARCHIVE OUTFILE [--product-version V] [--yes]",
                                             "Unpacks a backup archive (a first volume gathers the "
                                             "rest beside it); --yes allows overwriting.",
                                             unzip});
const cli::CommandRegistration zipCommand({"zip",
                                           "zip INFILE ARCHIVE --product-version V --account-code "
                                           "C --account-name N [--level none|fastest|default|max] "
                                           "[--volume-size BYTES] [--yes]",
                                           "Packs a file into a backup archive, cut into volumes "
                                           "of BYTES each beside ARCHIVE when asked.",
                                           zip});

}  // namespace
