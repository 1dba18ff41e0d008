#include "CopyVerifier.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "SqlName.h"
#include "db/CopyText.h"
#include "db/RowReader.h"
#include "db/TargetConnection.h"
#include "db/Value.h"

namespace engine {

enum class CopyVerifier::Canon : unsigned char {
    Integer,
    Decimal,
    Money,
    Float4,
    Float8,
    Bool,
    Time,
    TimeTz,
    Char,
    Text,
    Binary,
    Uuid,
};

namespace {

using Canon = CopyVerifier::Canon;

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;
constexpr uint64_t kNullHash = 0x6A09E667F3BCC909ull;

uint64_t mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t hashBytes(std::string_view bytes) {
    const char* p = bytes.data();
    size_t n = bytes.size();
    uint64_t h = mix(n + kGolden);
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ mix(word)) * kGolden;
        p += 8;
        n -= 8;
    }
    uint64_t word = 0;
    std::memcpy(&word, p, n);
    return mix(h ^ mix(word ^ (n << 56)));
}

uint64_t hashDouble(double value, bool single) {
    if (single) value = static_cast<float>(value);
    if (value == 0) value = 0;  // -0 is 0
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return mix(bits ^ kGolden);
}

Canon canonOf(const db::Column& column) {
    switch (column.typeOid) {
        case 16:
            return Canon::Bool;
        case 17:
            return Canon::Binary;
        case 20:
        case 21:
        case 23:
        case 26:
            return Canon::Integer;
        case 700:
            return Canon::Float4;
        case 701:
            return Canon::Float8;
        case 790:
            return Canon::Money;
        case 1042:
            return Canon::Char;
        case 1082:
        case 1083:
        case 1114:
            return Canon::Time;
        case 1184:
        case 1266:
            return Canon::TimeTz;
        case 1700:
            return Canon::Decimal;
        case 2950:
            return Canon::Uuid;
        default:
            return Canon::Text;
    }
}

// "+001.50" -> "1.5", "-0.00" -> "0", "2." -> "2".
std::string_view decimal(std::string_view text, std::string& out) {
    out.clear();
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    if (negative && !(whole.empty() && fraction.empty())) out += '-';
    if (whole.empty()) out += '0';
    out.append(whole);
    if (!fraction.empty()) {
        out += '.';
        out.append(fraction);
    }
    return out;
}

// Money as the server shows it ("$1,234.50", "-$0.50", "($0.50)") to a decimal.
std::string_view money(std::string_view text, std::string& out) {
    std::string digits;
    if (text.find('-') != std::string_view::npos || text.find('(') != std::string_view::npos)
        digits += '-';
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == '.') digits += c;
    }
    return decimal(digits, out);
}

// "2024-06-30 12:00:00.1230" -> "2024-06-30 12:00:00.123"; a midnight without
// fraction is the bare date, so a date column compares with a datetime sent to it.
std::string_view dateTime(std::string_view text, bool zoned, std::string& out) {
    if (zoned) {
        size_t sign = text.find_last_of("+-");
        if (sign != std::string_view::npos && sign >= 8) text = text.substr(0, sign);
    }
    out.clear();
    size_t point = text.find('.');
    if (point == std::string_view::npos) {
        out.assign(text);
    } else {
        size_t end = point + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        // The server keeps microseconds.
        size_t last = end - point - 1 > 6 ? point + 7 : end;
        while (last > point + 1 && text[last - 1] == '0') --last;
        if (last == point + 1) last = point;
        out.append(text.substr(0, last));
        out.append(text.substr(end));
    }
    if (out.size() == 19 && out.compare(10, 9, " 00:00:00") == 0) out.resize(10);
    return out;
}

std::string_view rightTrimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view lowered(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The value as sent, in the same canonical form as the stored text below.
// `text` and `canonical` are scratch buffers.
uint64_t sentHash(const db::Value& value, Canon canon, std::string& text, std::string& canonical) {
    using Kind = db::Value::Kind;
    if (value.isNull()) return kNullHash;
    std::string_view bytes;
    if (value.kind() == Kind::Decimal || value.kind() == Kind::DateTime ||
        value.kind() == Kind::Text || value.kind() == Kind::Binary) {
        bytes = value.bytes();
    } else if (canon != Canon::Integer && canon != Canon::Bool && canon != Canon::Float4 &&
               canon != Canon::Float8) {
        text = value.toText();
        bytes = text;
    }
    const bool single = canon == Canon::Float4;
    switch (canon) {
        case Canon::Integer:
            if (value.kind() == Kind::Int) {
                char digits[24];
                char* end = std::to_chars(digits, digits + sizeof digits, value.intValue()).ptr;
                return hashBytes(std::string_view(digits, static_cast<size_t>(end - digits)));
            }
            text = value.toText();
            return hashBytes(text);
        case Canon::Decimal:
        case Canon::Money:
            return hashBytes(decimal(bytes, canonical));
        case Canon::Float4:
        case Canon::Float8:
            if (value.kind() == Kind::Float) return hashDouble(value.floatValue(), single);
            if (value.kind() == Kind::Int)
                return hashDouble(static_cast<double>(value.intValue()), single);
            text = value.toText();
            return hashDouble(std::strtod(text.c_str(), nullptr), single);
        case Canon::Bool:
            if (value.kind() == Kind::Bool) return hashBytes(value.boolValue() ? "t" : "f");
            text = value.toText();
            return hashBytes(text);
        case Canon::Time:
        case Canon::TimeTz:
            return hashBytes(dateTime(bytes, canon == Canon::TimeTz, canonical));
        case Canon::Char:
            return hashBytes(rightTrimmed(bytes));
        case Canon::Binary:
        case Canon::Text:
            return hashBytes(bytes);
        case Canon::Uuid:
            return hashBytes(lowered(bytes, canonical));
    }
    return hashBytes(bytes);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// The stored text as COPY TO gives it (unescaped), in canonical form.
uint64_t storedHash(std::string_view text, bool isNull, Canon canon, std::string& scratch) {
    if (isNull) return kNullHash;
    switch (canon) {
        case Canon::Integer:
        case Canon::Bool:
        case Canon::Text:
            return hashBytes(text);
        case Canon::Decimal:
            return hashBytes(decimal(text, scratch));
        case Canon::Money:
            return hashBytes(money(text, scratch));
        case Canon::Float4:
        case Canon::Float8:
            scratch.assign(text);
            return hashDouble(std::strtod(scratch.c_str(), nullptr), canon == Canon::Float4);
        case Canon::Time:
        case Canon::TimeTz:
            return hashBytes(dateTime(text, canon == Canon::TimeTz, scratch));
        case Canon::Char:
            return hashBytes(rightTrimmed(text));
        case Canon::Binary:
            scratch.clear();
            if (text.starts_with("\\x")) {
                for (size_t i = 2; i + 1 < text.size(); i += 2)
                    scratch += static_cast<char>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
                return hashBytes(scratch);
            }
            return hashBytes(text);
        case Canon::Uuid:
            return hashBytes(lowered(text, scratch));
    }
    return hashBytes(text);
}

uint64_t element(uint64_t key, uint64_t value) { return mix(key ^ (value * kGolden)); }

std::string shownValue(const db::Value& value) { return value.isNull() ? "NULL" : value.toText(); }

}  // namespace

CopyVerifier::CopyVerifier(std::string table, const std::vector<db::Column>& targetColumns,
                           const std::vector<bool>& sent,
                           const std::vector<std::string>& keyColumns)
    : table_(std::move(table)) {
    for (size_t i = 0; i < targetColumns.size(); ++i) {
        if (!sent[i]) continue;
        columns_.push_back(static_cast<int>(i));
        names_.push_back(targetColumns[i].name);
        canons_.push_back(canonOf(targetColumns[i]));
    }
    for (const std::string& name : keyColumns) {
        size_t position = 0;
        while (position < names_.size() && names_[position] != name) ++position;
        if (position == names_.size()) {
            // A key column the copy leaves to its default cannot match rows.
            key_.clear();
            break;
        }
        key_.push_back(position);
    }
    sentSums_.assign(columns_.size(), 0);
    storedSums_.assign(columns_.size(), 0);
    hashes_.assign(columns_.size(), 0);
}

uint64_t CopyVerifier::keyHash(const std::vector<uint64_t>& hashes) const {
    uint64_t key = 0;
    for (size_t position : key_) key = mix(key * kGolden + hashes[position]);
    return key;
}

void CopyVerifier::hashSentRow(const db::RowReader& row) {
    for (size_t i = 0; i < columns_.size(); ++i)
        hashes_[i] = sentHash(row.value(columns_[i]), canons_[i], field_, scratch_);
}

void CopyVerifier::addSentRow(const db::RowReader& row) {
    hashSentRow(row);
    const uint64_t key = keyHash(hashes_);
    for (size_t i = 0; i < columns_.size(); ++i) sentSums_[i] += element(key, hashes_[i]);
    ++rowsSent_;
}

void CopyVerifier::hashStoredRow(std::string_view line, std::vector<std::string>* texts) {
    bool isNull = false;
    for (size_t i = 0; i < columns_.size(); ++i) {
        std::string_view field = db::nextCopyField(line, field_, isNull);
        hashes_[i] = storedHash(field, isNull, canons_[i], scratch_);
        if (texts) (*texts)[i] = isNull ? "NULL" : std::string(field);
    }
}

std::string CopyVerifier::copyStatement() const {
    std::string sql = "copy " + targetName(table_) + " (";
    for (size_t i = 0; i < names_.size(); ++i) {
        if (i) sql += ", ";
        sql += targetName(names_[i]);
    }
    return sql + ") to stdout";
}

void CopyVerifier::addExistingRows(db::TargetConnection& target) {
    if (columns_.empty()) return;
    target.copyOut(copyStatement(), [&](std::string_view line) {
        hashStoredRow(line, nullptr);
        const uint64_t key = keyHash(hashes_);
        for (size_t i = 0; i < columns_.size(); ++i) sentSums_[i] += element(key, hashes_[i]);
        ++existingRows_;
    });
}

CopyVerifier::Outcome CopyVerifier::verify(db::TargetConnection& target, const Replay& replay) {
    Outcome outcome;
    if (columns_.empty()) return outcome;
    storedSums_.assign(columns_.size(), 0);
    target.copyOut(copyStatement(), [&](std::string_view line) {
        hashStoredRow(line, nullptr);
        const uint64_t key = keyHash(hashes_);
        for (size_t i = 0; i < columns_.size(); ++i) storedSums_[i] += element(key, hashes_[i]);
        ++outcome.storedRows;
    });
    std::vector<size_t> differing;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (sentSums_[i] != storedSums_[i]) differing.push_back(i);
    }
    // A row-count difference fails the table; the columns are only looked at when
    // every row arrived.
    if (!differing.empty() && outcome.storedRows == rowsSent_ + existingRows_ && replay)
        findChanges(target, replay, differing, outcome);
    return outcome;
}

// Second look, only for columns whose fingerprints differ: the stored values by
// key (or as a multiset), the sent ones replayed, every difference counted.
void CopyVerifier::findChanges(db::TargetConnection& target, const Replay& replay,
                               const std::vector<size_t>& differing, Outcome& outcome) {
    const size_t n = differing.size();
    const bool keyed = !key_.empty();
    std::unordered_map<uint64_t, size_t> rowOf;  // keyed: key -> row of `stored`
    std::vector<uint64_t> stored;                // keyed: n hashes per row
    std::vector<std::unordered_map<uint64_t, int64_t>> unmatched(keyed ? 0 : n);
    target.copyOut(copyStatement(), [&](std::string_view line) {
        hashStoredRow(line, nullptr);
        if (keyed) {
            rowOf.emplace(keyHash(hashes_), stored.size() / n);
            for (size_t d : differing) stored.push_back(hashes_[d]);
        } else {
            for (size_t j = 0; j < n; ++j) ++unmatched[j][hashes_[differing[j]]];
        }
    });

    std::vector<ChangedColumn> changes(n);
    std::vector<uint64_t> exampleKey(n, 0);
    std::vector<bool> hasExample(n, false);
    replay([&](const db::RowReader& row) {
        hashSentRow(row);
        const uint64_t key = keyHash(hashes_);
        auto found = keyed ? rowOf.find(key) : rowOf.end();
        for (size_t j = 0; j < n; ++j) {
            const uint64_t sent = hashes_[differing[j]];
            bool same;
            if (keyed) {
                same = found != rowOf.end() && stored[found->second * n + j] == sent;
            } else {
                auto match = unmatched[j].find(sent);
                same = match != unmatched[j].end() && match->second > 0;
                if (same) --match->second;
            }
            if (same) continue;
            ChangedColumn& change = changes[j];
            if (change.values++ == 0) {
                const int index = columns_[differing[j]];
                change.exampleSent = shownValue(row.value(index));
                if (keyed) {
                    for (size_t k = 0; k < key_.size(); ++k) {
                        if (k) change.exampleKey += ",";
                        change.exampleKey += shownValue(row.value(columns_[key_[k]]));
                    }
                }
                exampleKey[j] = key;
                hasExample[j] = true;
            }
        }
    });

    // The stored side of each example: the same key, or a stored value no sent one matched.
    std::vector<std::string> texts(columns_.size());
    target.copyOut(copyStatement(), [&](std::string_view line) {
        hashStoredRow(line, &texts);
        const uint64_t key = keyHash(hashes_);
        for (size_t j = 0; j < n; ++j) {
            if (!hasExample[j] || !changes[j].exampleStored.empty()) continue;
            if (keyed) {
                if (key == exampleKey[j]) changes[j].exampleStored = texts[differing[j]];
            } else {
                auto left = unmatched[j].find(hashes_[differing[j]]);
                if (left != unmatched[j].end() && left->second > 0)
                    changes[j].exampleStored = texts[differing[j]];
            }
        }
    });
    if (keyed) {
        for (size_t j = 0; j < n; ++j) {
            if (hasExample[j] && changes[j].exampleStored.empty() &&
                rowOf.find(exampleKey[j]) == rowOf.end())
                changes[j].exampleStored = "(no row with this key)";
        }
    }
    for (size_t j = 0; j < n; ++j) {
        if (changes[j].values == 0) continue;
        changes[j].column = names_[differing[j]];
        outcome.changed.push_back(std::move(changes[j]));
    }
}

}  // namespace engine
