#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace engine {

// The run log's lines, with the semantics of a multi-line edit's line list:
// append splits its text at "\r\n" into lines, replaceLast overwrites the last
// line (or adds one to an empty log), text() joins the lines with "\r\n".
// Thread-safe: the worker writes, a window may read.
class RunLog {
public:
    void append(const std::string& text);
    void replaceLast(const std::string& text);
    void clear();
    std::string text() const;
    std::vector<std::string> lines() const;
    std::string lastLine() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace engine
