#pragma once

#include <QDialog>

#include "engine/TableResult.h"

class QLabel;
class QTableWidget;

namespace gui {

// The verification report at the end of a run: one row per table visited with
// its status, source and target row counts and notes; rows worth a look are
// highlighted and come first, the others follow in the run's order. Sorted by clicking a column;
// Ctrl+C or 复制 copies the selected rows (all rows when none is selected) as tab-separated text
// with a header. Main thread only.
class RunReportDialog : public QDialog {
    Q_OBJECT
public:
    // `savedAs`: where the report was saved, or why it could not be (shown as is).
    RunReportDialog(const engine::RunReport& report, const QString& savedAs,
                    QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    // What copy() puts on the clipboard.
    QString selectedText() const;
    void copy();

    static const QColor kWarningColor;

private:
    QTableWidget* table_;
    QLabel* summary_;
};

}  // namespace gui
