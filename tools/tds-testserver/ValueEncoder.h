#pragma once
#include <string>
#include <string_view>

#include "tds-testserver/ColumnPlan.h"
#include "tds-testserver/Iconv.h"

namespace tdsserver {

// Turns PostgreSQL text-format values into TDS row values. A value that the
// declared column cannot hold exactly throws SqlError rather than going out wrong.
// One per session (it owns converters).
class ValueEncoder {
public:
    ValueEncoder();

    // Append one value in its TDS form (length prefix included) to out; a
    // value that cannot be sent leaves out unchanged and throws.
    void appendNull(std::string& out, const ColumnPlan& column) const;
    void append(std::string& out, const ColumnPlan& column, std::string_view text);

    std::string encode(const ColumnPlan& column, std::string_view text) {
        std::string out;
        append(out, column, text);
        return out;
    }

private:
    std::string toCp936(std::string_view utf8);
    std::string toUtf16(std::string_view utf8);

    Iconv cp936_;
    Iconv gb18030_;
    Iconv::Fallback userDefined_;
    Iconv utf16_;
    std::string value_;
};

}  // namespace tdsserver
