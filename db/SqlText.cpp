#include "SqlText.h"

#include "DbError.h"
#include "core/Iconv.h"

namespace db {

std::string encodeSqlText(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8) ascii = ascii && c < 0x80;
    if (ascii) return std::string(utf8);
    thread_local core::Iconv encoder("GB18030", "UTF-8");
    std::string out;
    size_t used = 0;
    if (encoder.convert(utf8, out, used) != core::Iconv::Outcome::Done)
        throw DbError("statement text is not valid UTF-8 at byte " + std::to_string(used));
    return out;
}

}  // namespace db
