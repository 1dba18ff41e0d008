#pragma once

#include <string>

namespace source {

// The file-open dialog and the directory chooser, behind an interface so tests can
// answer them. An empty result means the operator cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `filter` in Qt's form, e.g. "备份文件 (*.bak)"; `defaultSuffix` without the dot.
    virtual std::string openFile(const std::string& caption, const std::string& filter,
                                 const std::string& defaultSuffix) = 0;
    virtual std::string chooseDirectory(const std::string& caption, const std::string& start) = 0;
};

}  // namespace source
