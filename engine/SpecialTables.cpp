#include "SpecialTables.h"

#include <charconv>
#include <exception>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ColumnMapping.h"
#include "RunContext.h"
#include "RunHost.h"
#include "SourceStatements.h"
#include "SqlName.h"
#include "StopRequest.h"
#include "TableImport.h"
#include "TableProgress.h"
#include "db/SourceConnection.h"
#include "db/SourceQuery.h"
#include "db/TargetConnection.h"
#include "db/TargetQuery.h"

namespace engine {

namespace {

// True only for a value that reads as the number 2; NULL and texts that are no
// number are not 2, so they never raise.
bool isTheNumberTwo(const db::Value& value) {
    switch (value.kind()) {
        case db::Value::Kind::Int:
            return value.intValue() == 2;
        case db::Value::Kind::Float:
            return value.floatValue() == 2.0;
        case db::Value::Kind::Decimal:
        case db::Value::Kind::Text: {
            std::string_view text = value.bytes();
            while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
                text.remove_prefix(1);
            while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
                text.remove_suffix(1);
            if (!text.empty() && text.front() == '+') text.remove_prefix(1);
            double number = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
            return error == std::errc() && end == text.data() + text.size() && !text.empty() &&
                   number == 2.0;
        }
        default:
            return false;
    }
}

void absorbErrors(db::SourceConnection& connection, const std::string& sql) {
    try {
        connection.execute(sql);
    } catch (const std::exception&) {
        // The staging table is a convenience of the copy: its failures are silent.
    }
}

}  // namespace

void MergeSystemParameters(RunContext& ctx, const std::string& sourceTable) {
    db::SourceQuery& source = *ctx.qrySourceData;
    source.close();
    source.setText(sourcesql::AllRows(sourceTable));
    source.open();
    // The first source row of each parameter decides, as a lookup would find it.
    std::unordered_map<int64_t, db::Value> sourceValues;
    for (; !source.eof(); source.next()) {
        sourceValues.emplace(source.asInteger("paramid"), source.fieldByName("datavalue"));
    }

    db::TargetQuery& target = *ctx.qryTargetData;
    target.close();
    target.setText(
        "select * from am_sysparam where paramid<>100 and paramid<>101 and paramid<>3025");
    target.open();
    target.first();
    for (; !target.eof(); target.next()) {
        const int64_t id = target.asInteger("paramid");
        auto found = sourceValues.find(id);
        if (found == sourceValues.end()) continue;
        if (id == 107 && isTheNumberTwo(found->second)) continue;
        target.edit();
        target.setValue("datavalue", found->second);
        target.post();
    }
    target.flush();
}

void MergeKinds(RunContext& ctx, const std::string& table, const std::string& sourceTable) {
    db::SourceQuery& source = *ctx.qrySourceData;
    source.close();
    source.setText(sourcesql::UserKinds(sourceTable));
    source.open();

    db::TargetQuery& target = *ctx.qryTargetData;
    target.close();
    target.setText("select * from " + targetName(table) + " order by kind,id");
    target.open();

    std::vector<db::Value> kindOnly(1);
    std::vector<db::Value> kindAndId(2);
    for (; !source.eof(); source.next()) {
        const int64_t kind = source.asInteger("kind");
        const int64_t id = source.asInteger("id");
        kindOnly[0].setInt(kind);
        if (!target.locate("kind", kindOnly)) continue;  // a kind the new edition does not have
        const std::string kindName = target.asText("kindname");
        kindAndId[0].setInt(kind);
        kindAndId[1].setInt(id);
        const db::Value& name = source.fieldByName("name");
        if (!target.locate("kind;id", kindAndId)) {
            target.append();
            target.setInteger("kind", kind);
            target.setInteger("id", id);
            target.setValue("name", name);
            target.setValue("kindname", db::Value::fromText(kindName));
            target.setInteger("iskind", 0);
            target.setInteger("issys", 0);
            target.setInteger("upflag", 0);
            target.post();
        } else if (!(target.fieldByName("name") == name)) {
            target.edit();
            target.setValue("name", name);
            target.post();
        }
    }
    target.flush();
}

void ClearEmployeePrivileges(RunContext& ctx) {
    ctx.conTarget->execute(
        "delete from o_oporgpri;"
        "delete from cw_memberrela where not (gid = 1 and opid = 0 and sysflag = 2);"
        "delete from cw_privilege where not ((id = -99 and kind = -99) or (id = 0 and kind = 0) or "
        "(id = 1 and "
        "kind = 1));"
        "delete from m_opgroupdetail where id <> 1;"
        "delete from m_opgroup where id <> 1;"
        "delete from l_employ where empid <> 99999999;");
}

void RebuildGoodsSkus(RunContext& ctx) {
    ctx.conTarget->execute(
        "insert into l_goodssku (goodsid, skuid, skucode, skuname, isauto) select goodsid, "
        "goodsid, code, name, 1 "
        "from l_goods;select am_rebuildtablekey('l_goodssku', 'skuid');");
}

void RefreshPinyin(RunContext& ctx, const std::string& table) {
    ctx.conTarget->execute("update " + targetName(table) +
                           " set pyspell = fn_chineseletters(name);");
}

namespace {

// Walks the attachment pages: every attachment row joined to a staging row,
// filled by `plan` into a new row of qryTargetData and handed to `onRow`; after
// each page `afterPage` (which flushes or drops the page's rows). Returns the
// rows read.
template <typename OnRow, typename AfterPage>
int64_t walkAttachmentPages(RunContext& ctx, int64_t sourceRowCount, ColumnPlan& plan,
                            OnRow&& onRow, AfterPage&& afterPage) {
    db::SourceQuery& source = *ctx.qrySourceData;
    db::TargetQuery& target = *ctx.qryTargetData;
    int64_t after = 0;
    int64_t read = 0;
    while (read < sourceRowCount) {
        source.close();
        source.setText(sourcesql::AttachmentPage(after));
        source.open();
        // An empty page means the staging rows are used up (or never joined):
        // going on could only loop forever. The caller compares the rows read
        // with the source count.
        if (source.eof()) break;
        for (; !source.eof(); source.next()) {
            target.append();
            FillTargetRow(plan, source, target);
            ++read;
            onRow(target, read);
        }
        after += 10;
        afterPage();
    }
    source.close();
    return read;
}

std::shared_ptr<ColumnPlan> attachmentPlan(RunContext& ctx) {
    // The plan needs the page's columns: the first page of staging ids above 0.
    db::SourceQuery& source = *ctx.qrySourceData;
    source.close();
    source.setText(sourcesql::AttachmentPage(0));
    source.open();
    auto plan = std::make_shared<ColumnPlan>(
        ColumnPlan::forAttachments(ctx.qryTargetData->columns(), source.columns()));
    source.close();
    return plan;
}

}  // namespace

void CopyOrderAttachments(RunContext& ctx, const std::string& displayName, int64_t sourceRowCount,
                          TableCopy& copy) {
    // A staging table left by an interrupted run would keep counting its identity
    // from the old ids; dropping it first makes the command create it afresh, so
    // the ids run 1, 2, 3, ... and pages of ten never overlap.
    absorbErrors(*ctx.conSource, sourcesql::kDropStaging);
    absorbErrors(*ctx.conSource, sourcesql::StagingCommand());

    db::TargetQuery& target = *ctx.qryTargetData;
    // Without a staging table (its command failed) this fails with the server's text.
    std::shared_ptr<ColumnPlan> plan = attachmentPlan(ctx);
    planTableCopy(ctx, "p_orderattach", *plan, target.columns(), copy);
    CopyVerifier* verifier = copy.verifier.get();
    ProgressLine progress(displayName);
    int64_t copied = 0;
    copy.rowsRead = walkAttachmentPages(
        ctx, sourceRowCount, *plan,
        [&](db::TargetQuery& row, int64_t read) {
            if (verifier) verifier->addSentRow(row);
            copied = read;
            ctx.host->replaceLastLog(progress.text(read, sourceRowCount));
            row.post();
        },
        [&] {
            target.flush();
            target.close();
            target.open();
            reportTableProgress(ctx, "p_orderattach", copied, sourceRowCount);
            throwIfStopRequested(ctx);
        });
    copy.replay = [&ctx, plan,
                   sourceRowCount](const std::function<void(const db::RowReader&)>& each) {
        db::TargetQuery& rows = *ctx.qryTargetData;
        walkAttachmentPages(
            ctx, sourceRowCount, *plan, [&](db::TargetQuery& row, int64_t) { each(row); },
            [&] { rows.discardRows(); });
        rows.discardRows();
    };
}

void DropOrderAttachmentStaging(RunContext& ctx) {
    absorbErrors(*ctx.conSource, sourcesql::kDropStaging);
}

}  // namespace engine
