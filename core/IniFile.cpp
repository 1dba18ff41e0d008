#include "IniFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

#include "Cp936.h"
#include "TextError.h"
#include "TextRules.h"

namespace core {

namespace {

// The window and the worker both write config.ini; a read-modify-write must not
// interleave with another one.
std::mutex& fileMutex() {
    static std::mutex m;
    return m;
}

struct Lines {
    std::vector<std::string> lines;  // code page 936, without line ends
    std::string eol = "\n";
};

Lines load(const std::string& path) {
    Lines result;
    std::ifstream in(path, std::ios::binary);
    if (!in) return result;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string data = buffer.str();
    if (data.find("\r\n") != std::string::npos) result.eol = "\r\n";
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.lines.push_back(std::move(line));
        start = end + 1;
    }
    return result;
}

// "[name]" with blanks around allowed; returns false for any other line. The
// name ends at the line's last "]": a database name may hold "]" itself.
bool sectionName(const std::string& line, std::string& name) {
    std::string t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.rfind(']');
    if (close == std::string::npos) return false;
    name = t.substr(1, close - 1);
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = trimBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trimBlanks(line.substr(0, eq));
    value = line.substr(eq + 1);
    if (!value.empty() && value.back() == '\r') value.pop_back();
    return true;
}

struct Location {
    long sectionLine = -1;  // index of the [section] line
    long keyLine = -1;      // index of the key's line
    long lastContent = -1;  // last non-blank line of the section
};

Location find(const Lines& file, const std::string& section, const std::string& key) {
    Location loc;
    bool inside = false;
    for (size_t i = 0; i < file.lines.size(); ++i) {
        std::string name;
        if (sectionName(file.lines[i], name)) {
            if (inside) break;
            if (equalsIgnoreCaseAscii(trimBlanks(name), section)) {
                inside = true;
                loc.sectionLine = loc.lastContent = static_cast<long>(i);
            }
            continue;
        }
        if (!inside) continue;
        if (!trimBlanks(file.lines[i]).empty()) loc.lastContent = static_cast<long>(i);
        std::string k, v;
        if (loc.keyLine < 0 && keyOf(file.lines[i], k, v) && equalsIgnoreCaseAscii(k, key)) {
            loc.keyLine = static_cast<long>(i);
        }
    }
    return loc;
}

[[noreturn]] void fail(const std::string& path, int error) {
    throw SettingsWriteError(path + ": " + std::strerror(error));
}

// Termination signals wait while a temporary copy exists: a copy left behind would
// hold the settings (passwords in dev mode) under a name nobody cleans up.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~TerminationSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string directoryOf(const std::string& path) {
    return path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
}

// Writes all of `data` to `fd`; false with errno set on failure.
bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces the file in one step (a reader sees the old or the new file, never a
// torn one), keeping its permissions; a new file is readable by its owner only.
void writeAtomically(const std::string& path, const std::string& data) {
    mode_t mode = 0600;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) fail(path, EISDIR);
        // Renaming over a file the owner made read-only would ignore that choice.
        if (::access(path.c_str(), W_OK) != 0) fail(path, errno);
        mode = existing.st_mode & 07777;
    }
    const std::string dir = directoryOf(path);
    TerminationSignalsHeld held;
    // An unnamed file first: it gets a name only for the instant before the rename.
    int raw = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool unnamed = raw >= 0;
    const std::string tmp = path + ".tmp." + std::to_string(::getpid());
    if (!unnamed) raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (raw < 0) fail(path, errno);
    Descriptor fd(raw);
    auto abandon = [&](int error) {
        if (!unnamed) ::unlink(tmp.c_str());
        fail(path, error);
    };
    if (!writeAll(fd.get(), data) || ::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0)
        abandon(errno);
    if (unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
        ::unlink(tmp.c_str());  // a stale copy of an earlier process with our pid
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) != 0)
            fail(path, errno);
    }
    if (::close(fd.release()) != 0) abandon(errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0) abandon(errno);
    Descriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) ::fsync(dirFd.get());
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    std::lock_guard lock(fileMutex());
    Lines file = load(path_);
    std::string sectionBytes = toCp936(section);
    std::string keyBytes = toCp936(key);
    Location loc = find(file, sectionBytes, keyBytes);
    if (loc.keyLine < 0) return defaultValue;
    std::string k, v;
    keyOf(file.lines[static_cast<size_t>(loc.keyLine)], k, v);
    return fromCp936Lossy(v);
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
    std::lock_guard lock(fileMutex());
    Lines file = load(path_);
    std::string sectionBytes = toCp936(section);
    std::string keyBytes = toCp936(key);
    std::string line = keyBytes + "=" + toCp936(value);
    Location loc = find(file, sectionBytes, keyBytes);
    if (loc.keyLine >= 0) {
        file.lines[static_cast<size_t>(loc.keyLine)] = line;
    } else if (loc.sectionLine >= 0) {
        file.lines.insert(file.lines.begin() + loc.lastContent + 1, line);
    } else {
        if (!file.lines.empty() && !trimBlanks(file.lines.back()).empty())
            file.lines.emplace_back();
        file.lines.push_back("[" + sectionBytes + "]");
        file.lines.push_back(line);
    }
    std::string data;
    for (const auto& l : file.lines) data += l + file.eol;
    writeAtomically(path_, data);
}

}  // namespace core
