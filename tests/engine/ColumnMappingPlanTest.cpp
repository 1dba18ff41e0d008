// The per-table column decisions: which source column (or constant) each target
// column receives, for the rename table and every rule that depends on names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ColumnMapping.h"

namespace {

using Kind = engine::ColumnRule::Kind;
using db::ColumnType;

std::vector<db::Column> columnsNamed(const std::vector<std::string>& names) {
    std::vector<db::Column> columns;
    for (const std::string& name : names)
        columns.push_back(db::Column{name, ColumnType::Integer, 0});
    return columns;
}

struct PlanCase {
    const char* what;
    std::string table;
    std::string column;
    ColumnType type;
    std::vector<std::string> source;
    Kind kind;
    std::string from;  // source column read (CopyValue/CopyText/MemberId) or looked up (ReadByName)
    int64_t constant = 0;
};

const PlanCase kCases[] = {
    {"renamed column",
     "o_resume",
     "forefather",
     ColumnType::VarChar,
     {"id", "rootaddress"},
     Kind::CopyValue,
     "rootaddress"},
    {"two columns from one",
     "o_resume",
     "registeraddress",
     ColumnType::VarChar,
     {"rootaddress"},
     Kind::CopyValue,
     "rootaddress"},
    {"same-named wins in a remapped table",
     "o_resume",
     "forefather",
     ColumnType::VarChar,
     {"forefather", "rootaddress"},
     Kind::CopyText,
     "forefather"},
    {"renamed source column missing",
     "o_resume",
     "marriage",
     ColumnType::Integer,
     {"id"},
     Kind::ReadByName,
     "marriagestatus"},
    {"resume_edu",
     "o_resume_edu",
     "academy",
     ColumnType::VarChar,
     {"college"},
     Kind::CopyValue,
     "college"},
    {"resume_job",
     "o_resume_job",
     "company",
     ColumnType::VarChar,
     {"companyname"},
     Kind::CopyValue,
     "companyname"},
    {"resume_skill",
     "o_resume_skill",
     "certcode",
     ColumnType::VarChar,
     {"certificatecode"},
     Kind::CopyValue,
     "certificatecode"},
    {"recruit plan",
     "o_recruitplan",
     "counts",
     ColumnType::Integer,
     {"totals"},
     Kind::CopyValue,
     "totals"},
    {"recruit plan detail",
     "o_recruitplandetail",
     "needdate",
     ColumnType::DateTime,
     {"hiredate"},
     Kind::CopyValue,
     "hiredate"},
    {"transfer",
     "o_apptranser",
     "oldshopid",
     ColumnType::Integer,
     {"oldorgshopid"},
     Kind::CopyValue,
     "oldorgshopid"},
    {"opshopid reads orgshopid even when present",
     "o_appdimission",
     "opshopid",
     ColumnType::Integer,
     {"opshopid", "orgshopid"},
     Kind::CopyValue,
     "orgshopid"},
    {"opshopid without orgshopid",
     "o_appdimission",
     "opshopid",
     ColumnType::Integer,
     {"opshopid"},
     Kind::Unassigned,
     ""},
    {"dimission shopid",
     "o_appdimission",
     "shopid",
     ColumnType::Integer,
     {"orgshopid"},
     Kind::CopyValue,
     "orgshopid"},
    {"no store rule in remapped tables",
     "o_appdimission",
     "storeshopid",
     ColumnType::Integer,
     {"orgshopid"},
     Kind::Unassigned,
     ""},
    {"unlisted column of a remapped table",
     "o_resume",
     "shopid",
     ColumnType::Integer,
     {"id"},
     Kind::Unassigned,
     ""},
    {"store column elsewhere",
     "s_sale",
     "storeshopid",
     ColumnType::Integer,
     {"id"},
     Kind::Integer,
     "",
     0},
    {"member id", "s_sale", "vipid", ColumnType::Integer, {"vipid"}, Kind::MemberId, "vipid"},
    {"member id in a text column is text",
     "s_sale",
     "vipid",
     ColumnType::VarChar,
     {"vipid"},
     Kind::CopyText,
     "vipid"},
    {"member id rule only in s_sale",
     "s_salebill",
     "vipid",
     ColumnType::Integer,
     {"vipid"},
     Kind::CopyValue,
     "vipid"},
    {"skuid from goodsid",
     "s_saledetail",
     "skuid",
     ColumnType::Integer,
     {"goodsid"},
     Kind::CopyValue,
     "goodsid"},
    {"every skuid replaced",
     "s_saledetail",
     "defskuid",
     ColumnType::Integer,
     {"defgoodsid", "goodsid"},
     Kind::CopyValue,
     "defgoodsid"},
    {"skuid without goodsid",
     "s_saledetail",
     "skuid",
     ColumnType::Integer,
     {"id"},
     Kind::Unassigned,
     ""},
    {"goods units keep skuid unassigned",
     "l_goodsunit",
     "skuid",
     ColumnType::Integer,
     {"goodsid"},
     Kind::Unassigned,
     ""},
    {"goods prices keep skuid unassigned",
     "l_goodsprice",
     "skuid",
     ColumnType::Integer,
     {"goodsid"},
     Kind::Unassigned,
     ""},
    {"elemskuid from elemgid",
     "s_assembly",
     "elemskuid",
     ColumnType::Integer,
     {"elemgid", "elemgoodsid"},
     Kind::CopyValue,
     "elemgid"},
    {"elemskuid needs elemgid",
     "s_assembly",
     "elemskuid",
     ColumnType::Integer,
     {"elemgoodsid"},
     Kind::ReadByName,
     "elemgid"},
    {"production time from opdate first",
     "p_plan",
     "productiontime",
     ColumnType::DateTime,
     {"billdate", "opdate"},
     Kind::CopyValue,
     "opdate"},
    {"production time from billdate",
     "p_plan",
     "productiontime",
     ColumnType::DateTime,
     {"billdate"},
     Kind::CopyValue,
     "billdate"},
    {"production time from nothing",
     "p_plan",
     "productiontime",
     ColumnType::DateTime,
     {"id"},
     Kind::Unassigned,
     ""},
    {"attachment line number",
     "crm_affixinfo",
     "itemno",
     ColumnType::Integer,
     {"id"},
     Kind::Integer,
     "",
     1},
    {"attachment line number from the source",
     "crm_affixinfo",
     "itemno",
     ColumnType::Integer,
     {"itemno"},
     Kind::CopyValue,
     "itemno"},
    {"attachment store column",
     "crm_affixinfo",
     "storeshopid",
     ColumnType::Integer,
     {"id"},
     Kind::Integer,
     "",
     0},
    {"plain text is cleaned",
     "l_trader",
     "name",
     ColumnType::VarChar,
     {"name"},
     Kind::CopyText,
     "name"},
    {"fixed-length text is not",
     "l_trader",
     "code",
     ColumnType::Char,
     {"code"},
     Kind::CopyValue,
     "code"},
    {"long text is not",
     "l_trader",
     "memo",
     ColumnType::LongText,
     {"memo"},
     Kind::CopyValue,
     "memo"},
    // Account sets use case-insensitive collations.
    {"names ignore letter case",
     "l_trader",
     "name",
     ColumnType::VarChar,
     {"NAME"},
     Kind::CopyText,
     "NAME"},
    {"rename rules ignore letter case",
     "o_resume",
     "forefather",
     ColumnType::VarChar,
     {"RootAddress"},
     Kind::CopyValue,
     "RootAddress"},
    {"no rule", "l_trader", "extra", ColumnType::Integer, {"id"}, Kind::Unassigned, ""},
};

class ColumnPlanTest : public testing::TestWithParam<PlanCase> {};

TEST_P(ColumnPlanTest, DecidesTheSourceOfEachColumn) {
    const PlanCase& c = GetParam();
    std::vector<db::Column> target{{"first", ColumnType::Integer, 0}, {c.column, c.type, 0}};
    std::vector<db::Column> source = columnsNamed(c.source);
    engine::ColumnPlan plan = engine::ColumnPlan::forTable(c.table, target, source);
    ASSERT_EQ(plan.rules().size(), 2u);
    const engine::ColumnRule& rule = plan.rules()[1];
    EXPECT_EQ(static_cast<int>(rule.kind), static_cast<int>(c.kind));
    switch (c.kind) {
        case Kind::CopyValue:
        case Kind::CopyText:
        case Kind::MemberId:
            ASSERT_GE(rule.sourceIndex, 0);
            EXPECT_EQ(source[rule.sourceIndex].name, c.from);
            break;
        case Kind::ReadByName:
            EXPECT_EQ(rule.sourceName, c.from);
            break;
        case Kind::Integer:
            EXPECT_EQ(rule.constant, c.constant);
            break;
        case Kind::Unassigned:
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, ColumnPlanTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PlanCase>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(AttachmentPlanTest, CopiesSameNamedAndSkuColumnsOnly) {
    std::vector<db::Column> target{{"billid", ColumnType::Integer, 0},
                                   {"filename", ColumnType::VarChar, 0},
                                   {"skuid", ColumnType::Integer, 0},
                                   {"opshopid", ColumnType::Integer, 0},
                                   {"itemno", ColumnType::Integer, 0}};
    // A page row: the attachment's own columns, then the staging columns again.
    std::vector<db::Column> source =
        columnsNamed({"billid", "itemno", "billtypeid", "filename", "goodsid", "orgshopid",
                      "billid", "itemno", "billtypeid"});
    source[3].type = ColumnType::VarChar;
    engine::ColumnPlan plan = engine::ColumnPlan::forAttachments(target, source);
    const auto& rules = plan.rules();
    ASSERT_EQ(rules.size(), 5u);
    EXPECT_EQ(rules[0].kind, Kind::CopyValue);
    EXPECT_EQ(rules[0].sourceIndex, 0);
    EXPECT_EQ(rules[1].kind, Kind::CopyText);
    EXPECT_EQ(rules[1].sourceIndex, 3);
    EXPECT_EQ(rules[2].kind, Kind::CopyValue);
    EXPECT_EQ(rules[2].sourceIndex, 4);
    EXPECT_EQ(rules[3].kind, Kind::Unassigned);  // no override, no store rule
    EXPECT_EQ(rules[4].sourceIndex, 1);          // first occurrence: the attachment's own
}

TEST(UserDefinedCharsTest, RemovesBothAndKeepsTheRest) {
    struct Case {
        std::string in;
        std::string out;
    } cases[] = {
        {"\xEE\x9C\xB4\xEE\x80\x99", ""},
        {"商\xEE\x9C\xB4品\xEE\x80\x99名", "商品名"},
        {"\xEE\x80\x99\xEE\x80\x99"
         "a",
         "a"},
        {"\xEE\x9C\xB5 other private use stays", "\xEE\x9C\xB5 other private use stays"},
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string text = c.in;
        EXPECT_EQ(engine::holdsUserDefinedChars(text), c.in != c.out);
        EXPECT_EQ(engine::removeUserDefinedChars(text), c.in != c.out);
        EXPECT_EQ(text, c.out);
    }
}

}  // namespace
