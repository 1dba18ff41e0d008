#pragma once

#include <string>

namespace core {

// A settings file with the semantics of Windows profile files: section and key
// names compare without case, a missing file or key gives the default, the first
// write creates the file, other sections, keys and comments are kept. The file is
// in code page 936; values here are UTF-8. Nothing is cached: every call opens,
// reads or rewrites, and closes the file. A write is atomic (temporary file,
// fsync, rename) and on disk when the call returns; the file keeps its
// permissions (a new one is created 0600, as it may hold passwords), and no
// temporary copy survives a termination signal.
class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    // Throws core::SettingsWriteError ("path: reason") when the file cannot be
    // written, also when it exists but its permissions forbid writing.
    void writeString(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string path_;
};

}  // namespace core
