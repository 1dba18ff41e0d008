#include "LogView.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace gui {

namespace {
// A lone "\r" inside a log line shows as a line break, as in the run log of old.
QString shown(const std::string& line) { return QString::fromStdString(line).replace('\r', '\n'); }
}  // namespace

void LogView::sync(const std::vector<std::string>& lines) {
    size_t common = 0;
    while (common < shown_.size() && common < lines.size() && shown_[common] == lines[common]) {
        ++common;
    }
    if (common == shown_.size() && common == lines.size()) return;

    // The view follows new lines only while it stands at the bottom; an operator
    // who scrolled up to read keeps the place until scrolling back down.
    QScrollBar* scroll = memo_.verticalScrollBar();
    bool following = scroll->value() >= scroll->maximum();
    int position = scroll->value();

    QTextCursor cursor(memo_.document());
    cursor.beginEditBlock();
    if (common + 1 == shown_.size() && lines.size() >= shown_.size()) {
        // Only the last line changed (a progress line) and maybe more followed.
        cursor.setPosition(lastLineStart_);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.insertText(shown(lines[common]));
        shown_[common] = lines[common];
        ++common;
    } else if (common < shown_.size()) {
        memo_.clear();
        shown_.clear();
        common = 0;
    }
    // By cursor, not appendPlainText, which would fill an empty first line
    // instead of starting a new one.
    cursor.movePosition(QTextCursor::End);
    for (size_t i = common; i < lines.size(); ++i) {
        if (!shown_.empty()) cursor.insertBlock();
        lastLineStart_ = cursor.position();
        cursor.insertText(shown(lines[i]));
        shown_.push_back(lines[i]);
    }
    cursor.endEditBlock();
    scroll->setValue(following ? scroll->maximum() : position);
}

}  // namespace gui
