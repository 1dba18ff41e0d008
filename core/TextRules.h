#pragma once

#include <string>
#include <string_view>

namespace core {

// Removes leading and trailing characters at or below the blank (control
// characters included), as the tool trims every field it uses.
std::string trimBlanks(std::string_view text);

std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b);

// Byte-wise order of two texts in code page 936: unsigned bytes, the first
// difference decides, a prefix is smaller. Resume codes and table names compare so.
int compareBytes(std::string_view utf8a, std::string_view utf8b);

// Case-insensitive order used to sort table names (ties broken byte-wise, so the
// order is total and stable across runs).
bool lessIgnoreCase(std::string_view a, std::string_view b);

// Replaces every occurrence of `from` (ASCII letters compared without case) by `to`.
std::string replaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

}  // namespace core
