#pragma once

#include <stdexcept>
#include <string>

namespace engine {

// A failure the run itself detects (constraints still deferrable, a script file
// that cannot be read, a log file that cannot be written). what() is the text the
// run log shows: the tool's own message or the system's reason.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The run stopped at a safe point because a front end asked it to.
class RunInterrupted : public RunError {
public:
    using RunError::RunError;
};

}  // namespace engine
