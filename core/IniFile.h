#pragma once

#include <string>

namespace core {

// A settings file with the semantics of Windows profile files: section and key
// names compare without case, a missing file or key gives the default, the first
// write creates the file, other sections, keys and comments are kept. The file is
// in code page 936; values here are UTF-8. Nothing is cached: every call opens,
// reads or rewrites, and closes the file. A write is atomic (temporary file,
// fsync, rename) and on disk when the call returns.
class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    // Throws core::TextError with the system's reason when the file cannot be written.
    void writeString(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string path_;
};

}  // namespace core
