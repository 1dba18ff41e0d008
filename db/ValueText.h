#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace db {

// Small text forms shared by the value conversions and the COPY encoder.

// Shortest text that reads back as the same double ("0.1", "1e+20"); infinities
// and NaN in the servers' spelling ("Infinity", "-Infinity", "NaN").
void appendFloatText(double v, std::string& out);

// An integer in the servers' input syntax: blanks around, optional sign, digits.
std::optional<int64_t> parseIntegerText(std::string_view text);

// A double in the servers' input syntax (also "NaN", "Infinity").
std::optional<double> parseFloatText(std::string_view text);

// Lower-case hexadecimal digits of the bytes.
void appendHex(std::string_view bytes, std::string& out);

}  // namespace db
