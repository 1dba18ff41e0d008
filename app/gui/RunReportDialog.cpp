#include "RunReportDialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "app/RunReportText.h"

namespace gui {

const QColor RunReportDialog::kWarningColor(255, 228, 160);

namespace {

enum Column { kTable, kStatus, kSourceRows, kTargetRows, kNotes, kColumns };

// Counts sort as numbers; a count never taken (shown empty) sorts first.
class CountItem : public QTableWidgetItem {
public:
    explicit CountItem(int64_t count)
        : QTableWidgetItem(count < 0 ? QString() : QString::number(count)), count_(count) {
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        if (auto* o = dynamic_cast<const CountItem*>(&other)) return count_ < o->count_;
        return QTableWidgetItem::operator<(other);
    }

private:
    int64_t count_;
};

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

RunReportDialog::RunReportDialog(const engine::RunReport& report, const QString& savedAs,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("核对报告"));
    resize(900, 540);
    std::vector<app::ReportRow> rows = app::reportRows(report);
    // What needs a look comes first; otherwise the run's order.
    std::stable_partition(rows.begin(), rows.end(),
                          [](const app::ReportRow& row) { return row.warning; });

    summary_ = new QLabel(q(app::reportSummary(rows)), this);
    summary_->setWordWrap(true);
    auto* saved = new QLabel(savedAs, this);
    saved->setWordWrap(true);
    saved->setTextInteractionFlags(Qt::TextSelectableByMouse);

    table_ = new QTableWidget(static_cast<int>(rows.size()), kColumns, this);
    table_->setHorizontalHeaderLabels({QString::fromUtf8("表名"), QString::fromUtf8("状态"),
                                       QString::fromUtf8("源行数"), QString::fromUtf8("目标行数"),
                                       QString::fromUtf8("说明")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const app::ReportRow& row = rows[static_cast<size_t>(r)];
        QTableWidgetItem* items[kColumns] = {
            new QTableWidgetItem(q(row.table)), new QTableWidgetItem(q(row.status)),
            new CountItem(row.sourceRows), new CountItem(row.targetRows),
            new QTableWidgetItem(q(row.notes))};
        for (int c = 0; c < kColumns; ++c) {
            if (row.warning) items[c]->setBackground(kWarningColor);
            if (c == kNotes) items[c]->setToolTip(q(row.notes));
            table_->setItem(r, c, items[c]);
        }
    }
    // The order above until the operator sorts: enabling sorting would otherwise
    // sort at once by the header's default column.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    // Wide enough for the headers with their sort arrows.
    table_->resizeColumnsToContents();
    for (int c = kTable; c < kNotes; ++c)
        table_->setColumnWidth(c, table_->columnWidth(c) + fontMetrics().height());

    auto* copyAction = new QAction(QString::fromUtf8("复制"), table_);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction, &QAction::triggered, this, &RunReportDialog::copy);
    table_->addAction(copyAction);
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* copyButton = new QPushButton(QString::fromUtf8("复制"), this);
    auto* closeButton = new QPushButton(QString::fromUtf8("关闭"), this);
    connect(copyButton, &QPushButton::clicked, this, &RunReportDialog::copy);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saved, 1);
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
}

QString RunReportDialog::selectedText() const {
    std::set<int> selected;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        selected.insert(index.row());
    }
    QStringList lines;
    QStringList header;
    for (int c = 0; c < kColumns; ++c) header << table_->horizontalHeaderItem(c)->text();
    lines << header.join('\t');
    // In the order shown, which follows the operator's sorting.
    for (int r = 0; r < table_->rowCount(); ++r) {
        if (!selected.empty() && selected.count(r) == 0) continue;
        QStringList cells;
        for (int c = 0; c < kColumns; ++c) {
            cells << table_->item(r, c)->text().replace('\t', ' ').replace('\n', ' ');
        }
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

void RunReportDialog::copy() { QApplication::clipboard()->setText(selectedText()); }

}  // namespace gui
