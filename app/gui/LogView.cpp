#include "LogView.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace gui {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void LogView::sync(const std::vector<std::string>& lines) {
    size_t common = 0;
    while (common < shown_.size() && common < lines.size() && shown_[common] == lines[common]) {
        ++common;
    }
    if (common == shown_.size() && common == lines.size()) return;

    if (common + 1 == shown_.size() && lines.size() >= shown_.size()) {
        QTextCursor cursor(memo_.document()->lastBlock());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(q(lines[common]));
        shown_[common] = lines[common];
        ++common;
    } else if (common < shown_.size()) {
        QStringList all;
        for (const auto& line : lines) all << q(line);
        memo_.setPlainText(all.join('\n'));
        shown_ = lines;
        memo_.verticalScrollBar()->setValue(memo_.verticalScrollBar()->maximum());
        return;
    }
    for (size_t i = common; i < lines.size(); ++i) {
        memo_.appendPlainText(q(lines[i]));
        shown_.push_back(lines[i]);
    }
    memo_.verticalScrollBar()->setValue(memo_.verticalScrollBar()->maximum());
}

}  // namespace gui
