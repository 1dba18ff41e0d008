#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;

namespace gui {

// Shows the run log's lines in a read-only text view. sync() brings the view to
// the given lines with the least work: appended lines are appended, a changed
// last line (a progress line) is replaced, anything else redraws. A "\r" inside
// a line shows as a line break. The view scrolls along with new lines only while
// it is scrolled to the bottom. Main thread only.
class LogView {
public:
    explicit LogView(QPlainTextEdit& memo) : memo_(memo) {}

    void sync(const std::vector<std::string>& lines);
    const std::vector<std::string>& shownLines() const { return shown_; }

private:
    QPlainTextEdit& memo_;
    std::vector<std::string> shown_;
    int lastLineStart_ = 0;  // document position where the last line begins
};

}  // namespace gui
