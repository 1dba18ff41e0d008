#include "RunProgressView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

namespace gui {

namespace {
// Each table is this many steps of the bar, so a large table moves it visibly.
constexpr int kStepsPerTable = 1000;

QString elapsedText(qint64 ms) {
    qint64 s = ms / 1000;
    return QString::fromUtf8("已用时 %1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QChar('0'))
        .arg(s % 60, 2, 10, QChar('0'));
}
}  // namespace

RunProgressView::RunProgressView(QWidget* parent) : QWidget(parent) {
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setTextVisible(true);
    bar_->setFormat(QString());
    elapsed_ = new QLabel(this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(bar_, 1);
    row->addWidget(elapsed_);
    ticker_.setInterval(1000);
    connect(&ticker_, &QTimer::timeout, this, &RunProgressView::tick);
}

void RunProgressView::start() {
    progress_ = {};
    finished_ = 0;
    clock_.start();
    ticker_.start();
    tick();
    redraw();
}

void RunProgressView::setProgress(const engine::RunProgress& progress) {
    progress_ = progress;
    redraw();
}

void RunProgressView::tableFinished() {
    ++finished_;
    redraw();
}

void RunProgressView::stop() {
    ticker_.stop();
    if (clock_.isValid()) tick();
}

int RunProgressView::tablesDone() const {
    return std::min(std::max(progress_.tablesDone, finished_), progress_.tablesTotal);
}

void RunProgressView::tick() { elapsed_->setText(elapsedText(clock_.elapsed())); }

void RunProgressView::redraw() {
    const engine::RunProgress& p = progress_;
    if (p.tablesTotal <= 0) {
        // The table list is not known yet.
        bar_->setRange(0, 1);
        bar_->setValue(0);
        bar_->setFormat(QString());
        return;
    }
    int done = tablesDone();
    // The current table's share counts until its end is reported.
    bool current =
        !p.table.empty() && p.rowsTotal > 0 && done == p.tablesDone && done < p.tablesTotal;
    int share = current ? static_cast<int>(std::min<int64_t>(
                              kStepsPerTable, p.rowsDone * kStepsPerTable / p.rowsTotal))
                        : 0;
    bar_->setRange(0, p.tablesTotal * kStepsPerTable);
    bar_->setValue(done * kStepsPerTable + share);
    QString text = QString::fromUtf8("表 %1/%2").arg(done).arg(p.tablesTotal);
    if (!p.table.empty() && done < p.tablesTotal) {
        text += "    " + QString::fromStdString(p.table);
        // The count is known once the table's source rows were counted.
        if (p.rowsTotal > 0)
            text += QString::fromUtf8("  %1/%2 行").arg(p.rowsDone).arg(p.rowsTotal);
    }
    bar_->setFormat(text);
}

}  // namespace gui
