#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QTableWidget>
#include <ctime>

#include "app/RunReportFiles.h"
#include "app/RunReportText.h"
#include "app/gui/RunReportDialog.h"
#include "fixtures/ProgramDirectory.h"

namespace {

using engine::TableStatus;

engine::TableResult table(const char* name, TableStatus status, int64_t source, int64_t target) {
    engine::TableResult t;
    t.table = name;
    t.status = status;
    t.sourceRows = source;
    t.targetRows = target;
    return t;
}

// What a support engineer must not miss, table by table.
struct Row {
    engine::TableResult result;
    bool warning;
};

std::vector<Row> sampleRows() {
    engine::TableResult changed = table("s_sale", TableStatus::Changed, 9, 9);
    changed.changedColumns.push_back({"amount", 2, "17", "1.005", "1.01"});
    engine::TableResult failed = table("t_bad", TableStatus::Failed, 100, -1);
    failed.error = "duplicate key value violates unique constraint";
    engine::TableResult unfilled = table("l_goods", TableStatus::Copied, 10, 10);
    unfilled.unfilledColumns = {"pyspell"};
    return {
        {unfilled, false},
        {changed, true},
        {table("am_sysparam", TableStatus::Merged, 5, 40), false},
        {failed, true},
        {table("t_short", TableStatus::Copied, 1000, 999), true},
        {table("t_skip", TableStatus::Skipped, -1, -1), false},
        {table("t_none", TableStatus::Empty, 0, 0), false},
    };
}

engine::RunReport sampleReport() {
    engine::RunReport report;
    for (const auto& r : sampleRows()) report.tables.push_back(r.result);
    return report;
}

TEST(RunReportTest, WarningsMarkChangedFailedAndMissingRows) {
    std::vector<app::ReportRow> rows = app::reportRows(sampleReport());
    std::vector<Row> expected = sampleRows();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].table);
        EXPECT_EQ(rows[i].warning, expected[i].warning);
    }
    EXPECT_NE(rows[1].notes.find("1.005"), std::string::npos) << rows[1].notes;
    EXPECT_NE(rows[3].notes.find("duplicate key"), std::string::npos);
    EXPECT_NE(rows[0].notes.find("pyspell"), std::string::npos);
    std::string text = app::reportText(rows);
    EXPECT_EQ(text.substr(0, text.find('\n')), "表名\t状态\t源行数\t目标行数\t说明");
    EXPECT_NE(text.find("t_skip\t已跳过\t\t\t\n"), std::string::npos) << text;
    EXPECT_NE(text.find("t_short\t已复制\t1000\t999\t"), std::string::npos) << text;
}

TEST(RunReportDialogTest, SortsCountsAsNumbersCopiesTheSelectionAndHighlightsWarnings) {
    gui::RunReportDialog dialog(sampleReport(), "报告已保存：/x");
    QTableWidget* t = dialog.table();
    ASSERT_EQ(t->rowCount(), static_cast<int>(sampleRows().size()));
    auto tableAt = [t](int row) { return t->item(row, 0)->text().toStdString(); };
    auto shownOrder = [&] {
        std::vector<std::string> order;
        for (int r = 0; r < t->rowCount(); ++r) order.push_back(tableAt(r));
        return order;
    };
    // Warnings first, each group in the run's order.
    EXPECT_EQ(shownOrder(), (std::vector<std::string>{"s_sale", "t_bad", "t_short", "l_goods",
                                                      "am_sysparam", "t_skip", "t_none"}));
    for (int r = 0; r < t->rowCount(); ++r) {
        SCOPED_TRACE(tableAt(r));
        bool warned = t->item(r, 0)->background().color() == gui::RunReportDialog::kWarningColor;
        EXPECT_EQ(warned, r < 3);
    }

    t->sortItems(2, Qt::AscendingOrder);
    EXPECT_EQ(shownOrder(), (std::vector<std::string>{"t_skip", "t_none", "am_sysparam", "s_sale",
                                                      "l_goods", "t_bad", "t_short"}));

    t->selectionModel()->select(t->model()->index(5, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    t->selectionModel()->select(t->model()->index(2, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dialog.copy();
    QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(),
              "表名\t状态\t源行数\t目标行数\t说明\n"
              "am_sysparam\t已合并\t5\t40\t\n"
              "t_bad\t失败\t100\t\tduplicate key value violates unique constraint\n");

    t->clearSelection();
    EXPECT_EQ(dialog.selectedText().count('\n'), t->rowCount() + 1) << "nothing selected: all";
}

void setModified(const std::string& path, std::time_t when) {
    utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST(RunReportTest, SavedBesideTheRunLogOfThePair) {
    fixtures::ProgramDirectory dir;
    std::time_t now = std::time(nullptr);
    dir.write("log/qxaToqxb_2026-1-1_9_00_00.log", "earlier run");
    setModified(dir.file("log/qxaToqxb_2026-1-1_9_00_00.log"), now - 3600);
    dir.write("log/qxaToqxb_2026-1-1_10_00_00.log", "this run");
    dir.write("log/qxaToqxb_x_2026-1-1_10_00_01.log", "another pair");
    dir.write("log/qxaToqxb_2026-1-1_10_00_02.log.txt", "not a log");

    engine::RunReport report = sampleReport();
    std::string saved = app::saveRunReport(dir.path(), "qxa", "qxb", now - 60, report);
    EXPECT_EQ(saved, dir.file("log/qxaToqxb_2026-1-1_10_00_00.report.txt"));
    EXPECT_EQ(dir.read("log/qxaToqxb_2026-1-1_10_00_00.report.txt"),
              app::reportText(app::reportRows(report)));
    EXPECT_NE(dir.read("log/qxaToqxb_2026-1-1_10_00_00.report.json").find("\"t_short\""),
              std::string::npos);

    // Without a log of this run the report still gets a name of its own.
    fixtures::ProgramDirectory empty;
    std::string alone = app::saveRunReport(empty.path(), "qxa", "qxb", now, report);
    EXPECT_EQ(alone.rfind(empty.file("log/qxaToqxb_"), 0), 0u) << alone;
    EXPECT_NE(empty.read(alone.substr(empty.path().size() + 1)), "");
}

}  // namespace
