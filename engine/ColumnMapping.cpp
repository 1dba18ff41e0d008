#include "ColumnMapping.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/TextRules.h"
#include "db/RowReader.h"
#include "db/TargetQuery.h"

namespace engine {

namespace {

// Columns renamed between the editions, by target table; only consulted for a
// target column the source lacks.
struct Rename {
    std::string_view table;
    std::string_view column;
    std::string_view sourceColumn;
};

constexpr std::array<Rename, 27> kRenames{{
    {"o_recruitplan", "channelid", "channel"},
    {"o_recruitplan", "counts", "totals"},
    {"o_recruitplandetail", "counts", "quantity"},
    {"o_recruitplandetail", "needdate", "hiredate"},
    {"o_resume", "forefather", "rootaddress"},
    {"o_resume", "registeraddress", "rootaddress"},
    {"o_resume", "marriage", "marriagestatus"},
    {"o_resume", "workage", "jobyears"},
    {"o_resume", "telephone", "mobilephone"},
    {"o_resume", "result", "hirestate"},
    {"o_resume", "opdate", "billdate"},
    {"o_resume", "birthdate", "birthday"},
    {"o_resume_edu", "academy", "college"},
    {"o_resume_edu", "begindate", "begdate"},
    {"o_resume_job", "begindate", "begdate"},
    {"o_resume_job", "company", "companyname"},
    {"o_resume_job", "position", "positionname"},
    {"o_resume_skill", "certcode", "certificatecode"},
    {"o_appdimission", "empid", "opid"},
    {"o_appdimission", "shopid", "orgshopid"},
    {"o_appdimission", "oporgid", "orgid"},
    {"o_appdimission", "oppositionid", "positionid"},
    {"o_apptranser", "transertype", "transfertype"},
    {"o_apptranser", "oldshopid", "oldorgshopid"},
    {"o_apptranser", "newshopid", "neworgshopid"},
    {"o_apptranser", "oporgid", "orgid"},
    {"o_apptranser", "oppositionid", "positionid"},
}};

bool isRemappedTable(std::string_view table) {
    return std::any_of(kRenames.begin(), kRenames.end(),
                       [&](const Rename& r) { return r.table == table; });
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The source column of that name; account sets use case-insensitive collations,
// so GoodsName fills goodsname (an exact match is preferred).
int indexOf(const std::vector<db::Column>& columns, std::string_view name) {
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == name) return static_cast<int>(i);
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        if (core::equalsIgnoreCaseAscii(columns[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

ColumnRule unassigned() { return ColumnRule{}; }

ColumnRule copyValue(int sourceIndex) {
    ColumnRule rule;
    rule.kind = ColumnRule::Kind::CopyValue;
    rule.sourceIndex = sourceIndex;
    return rule;
}

ColumnRule integer(int64_t value) {
    ColumnRule rule;
    rule.kind = ColumnRule::Kind::Integer;
    rule.constant = value;
    return rule;
}

// A source column read by name: its value when present, otherwise a rule that
// raises the data layer's field-not-found error on the first row.
ColumnRule readByName(const std::vector<db::Column>& sourceColumns, std::string_view name) {
    int index = indexOf(sourceColumns, name);
    if (index >= 0) return copyValue(index);
    ColumnRule rule;
    rule.kind = ColumnRule::Kind::ReadByName;
    rule.sourceName = std::string(name);
    return rule;
}

// A same-named source column: text is cleaned, everything else copied as is.
ColumnRule sameNamed(const db::Column& target, int sourceIndex) {
    ColumnRule rule = copyValue(sourceIndex);
    if (db::isPlainText(target.type)) rule.kind = ColumnRule::Kind::CopyText;
    return rule;
}

// UTF-8 of U+E734 and U+E019; both begin with the byte EE.
constexpr std::string_view kUserDefined1 = "\xEE\x9C\xB4";
constexpr std::string_view kUserDefined2 = "\xEE\x80\x99";

std::string_view trimmed(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return text.substr(begin, end - begin);
}

}  // namespace

bool holdsUserDefinedChars(std::string_view text) {
    // Cheap test first: most values hold no byte EE at all.
    if (std::memchr(text.data(), '\xEE', text.size()) == nullptr) return false;
    return contains(text, kUserDefined1) || contains(text, kUserDefined2);
}

bool removeUserDefinedChars(std::string& text) {
    size_t out = 0;
    bool removed = false;
    for (size_t i = 0; i < text.size();) {
        std::string_view rest(text.data() + i, text.size() - i);
        if (rest.starts_with(kUserDefined1) || rest.starts_with(kUserDefined2)) {
            i += 3;
            removed = true;
            continue;
        }
        text[out++] = text[i++];
    }
    text.resize(out);
    return removed;
}

ColumnRule FillMissingColumn(const std::string& table, const std::string& targetColumn,
                             const std::vector<db::Column>& sourceColumns) {
    // The rules name lower-case columns; a target column's letter case does not matter.
    const std::string column = core::toLowerAscii(targetColumn);
    // The only source name that differs from the target name ("opshopid") has no
    // "skuid" in it, so the SKU rules can work on the target name.
    if (contains(column, "skuid")) {
        if (table == "l_goodsunit" || table == "l_goodsprice") return unassigned();
        if (column == "elemskuid") return readByName(sourceColumns, "elemgid");
        int index = indexOf(sourceColumns, core::replaceAllIgnoreCase(column, "skuid", "goodsid"));
        return index >= 0 ? copyValue(index) : unassigned();
    }
    if (column == "productiontime") {
        int index = indexOf(sourceColumns, "opdate");
        if (index < 0) index = indexOf(sourceColumns, "billdate");
        return index >= 0 ? copyValue(index) : unassigned();
    }
    if (table == "crm_affixinfo" && column == "itemno") return integer(1);
    if (isRemappedTable(table)) {
        for (const Rename& r : kRenames) {
            if (r.table == table && r.column == column)
                return readByName(sourceColumns, r.sourceColumn);
        }
        return unassigned();
    }
    if (contains(column, "shopid")) return integer(0);
    return unassigned();
}

ColumnPlan ColumnPlan::forTable(const std::string& table,
                                const std::vector<db::Column>& targetColumns,
                                const std::vector<db::Column>& sourceColumns) {
    ColumnPlan plan;
    plan.rules_.reserve(targetColumns.size());
    for (const db::Column& column : targetColumns) {
        const std::string lower = core::toLowerAscii(column.name);
        std::string_view sourceName = column.name;
        if (table == "o_appdimission" && lower == "opshopid") sourceName = "orgshopid";
        int index = indexOf(sourceColumns, sourceName);
        if (index < 0) {
            plan.rules_.push_back(FillMissingColumn(table, column.name, sourceColumns));
        } else if (db::isPlainText(column.type)) {
            plan.rules_.push_back(sameNamed(column, index));
        } else if (lower == "vipid" && table == "s_sale") {
            ColumnRule rule = copyValue(index);
            rule.kind = ColumnRule::Kind::MemberId;
            plan.rules_.push_back(rule);
        } else {
            plan.rules_.push_back(copyValue(index));
        }
    }
    return plan;
}

ColumnPlan ColumnPlan::forAttachments(const std::vector<db::Column>& targetColumns,
                                      const std::vector<db::Column>& sourceColumns) {
    ColumnPlan plan;
    plan.rules_.reserve(targetColumns.size());
    for (const db::Column& column : targetColumns) {
        int index = indexOf(sourceColumns, column.name);
        if (index >= 0) {
            plan.rules_.push_back(sameNamed(column, index));
        } else if (contains(core::toLowerAscii(column.name), "skuid")) {
            int goods =
                indexOf(sourceColumns, core::replaceAllIgnoreCase(column.name, "skuid", "goodsid"));
            plan.rules_.push_back(goods >= 0 ? copyValue(goods) : unassigned());
        } else {
            plan.rules_.push_back(unassigned());
        }
    }
    return plan;
}

void FillTargetRow(ColumnPlan& plan, const db::RowReader& source, db::TargetQuery& target) {
    const std::vector<ColumnRule>& rules = plan.rules_;
    for (size_t i = 0; i < rules.size(); ++i) {
        const ColumnRule& rule = rules[i];
        const int column = static_cast<int>(i);
        switch (rule.kind) {
            case ColumnRule::Kind::Unassigned:
                break;
            case ColumnRule::Kind::CopyValue:
                target.setValue(column, source.value(rule.sourceIndex));
                break;
            case ColumnRule::Kind::CopyText: {
                const db::Value& value = source.value(rule.sourceIndex);
                if (value.kind() == db::Value::Kind::Text && holdsUserDefinedChars(value.bytes())) {
                    std::string& bytes = plan.scratch_.mutableBytes(db::Value::Kind::Text);
                    bytes.assign(value.bytes());
                    removeUserDefinedChars(bytes);
                    target.setValue(column, plan.scratch_);
                } else {
                    target.setValue(column, value);
                }
                break;
            }
            case ColumnRule::Kind::MemberId: {
                const db::Value& value = source.value(rule.sourceIndex);
                if (value.isNull()) {
                    target.setInteger(column, 0);
                } else if (value.kind() == db::Value::Kind::Int) {
                    target.setInteger(column, value.intValue());
                } else if (value.kind() == db::Value::Kind::Text) {
                    std::string_view text = trimmed(value.bytes());
                    if (text.empty()) {
                        target.setInteger(column, 0);
                    } else {
                        plan.scratch_.setText(text);
                        target.setInteger(column, plan.scratch_.toInteger("vipid"));
                    }
                } else {
                    target.setInteger(column, value.toInteger("vipid"));
                }
                break;
            }
            case ColumnRule::Kind::Integer:
                target.setInteger(column, rule.constant);
                break;
            case ColumnRule::Kind::ReadByName:
                target.setValue(column, source.fieldByName(rule.sourceName));
                break;
        }
    }
}

}  // namespace engine
