#pragma once

#include <deque>
#include <string>

#include "source/FileChooser.h"

namespace sourcetest {

// Answers the choosers with the next prepared path ("" = cancelled) and keeps
// what it was asked.
class ScriptedChooser : public source::FileChooser {
public:
    std::string openFile(const std::string&, const std::string& filter,
                         const std::string& defaultSuffix) override {
        lastFilter = filter;
        lastSuffix = defaultSuffix;
        return next(files);
    }
    std::string chooseDirectory(const std::string&, const std::string&) override {
        return next(directories);
    }

    std::deque<std::string> files;
    std::deque<std::string> directories;
    std::string lastFilter;
    std::string lastSuffix;

private:
    static std::string next(std::deque<std::string>& queue) {
        if (queue.empty()) return {};
        std::string path = queue.front();
        queue.pop_front();
        return path;
    }
};

}  // namespace sourcetest
