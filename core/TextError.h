#pragma once

#include <stdexcept>
#include <string>

namespace core {

// A text conversion or settings-file failure, with the system's own reason.
class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace core
