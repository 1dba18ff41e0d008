#pragma once

#include <string>
#include <string_view>

namespace core {

// Text in this program is UTF-8; files, archive headers and the SQL Server's
// varchar bytes are code page 936. glibc's "CP936" table does the work; what it
// refuses is tried with its GB18030 table, because glibc versions differ in which
// of the two maps the user-defined characters A7 6E (U+E734) and AA BA (U+E019),
// and four-byte GB18030 sequences must still be readable.

// Throws core::TextError when a character has no code-page-936 form.
std::string toCp936(std::string_view utf8);

// Throws core::TextError on bytes that are not code page 936 (or GB18030).
std::string fromCp936(std::string_view bytes);

// Like fromCp936, but an undecodable byte becomes U+FFFD instead of an error.
std::string fromCp936Lossy(std::string_view bytes);

}  // namespace core
