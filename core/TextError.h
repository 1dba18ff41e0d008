#pragma once

#include <stdexcept>
#include <string>

namespace core {

// A text conversion or settings-file failure, with the system's own reason.
class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The settings file could not be written: what() is its path and the system's
// reason ("/opt/lir2orbit/config.ini: Permission denied").
class SettingsWriteError : public TextError {
public:
    using TextError::TextError;
};

}  // namespace core
