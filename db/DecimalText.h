#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace db {

// Exact decimal numbers kept as text ("-12.340"), as both servers deliver them.
// A parsed number is its sign and its digits around the point, exponent applied.
struct DecimalText {
    bool negative = false;
    std::string integerDigits;   // no leading zeros; empty for 0
    std::string fractionDigits;  // no trailing zeros

    // Accepts what a server's numeric input accepts: blanks around, a sign, digits
    // with at most one point, an optional exponent. Empty for anything else.
    static std::optional<DecimalText> parse(std::string_view text);

    bool isZero() const { return integerDigits.empty() && fractionDigits.empty(); }
    // Shortest exact form: "12.34", "-0.5", "0", "100".
    std::string normalized() const;
    // Rounded half away from zero, as a numeric-to-integer cast does; empty on overflow.
    std::optional<int64_t> roundToInteger() const;
};

}  // namespace db
