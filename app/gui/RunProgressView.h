#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "engine/RunHost.h"

class QLabel;
class QProgressBar;

namespace gui {

// The run's progress under the log: one bar over all tables (the current table's
// share filled as its rows are copied), its text naming tables done of all and
// the current table's rows done of its count, and the time since the run began.
// Main thread only.
class RunProgressView : public QWidget {
    Q_OBJECT
public:
    explicit RunProgressView(QWidget* parent = nullptr);

    // A new run: empty bar, clock from zero.
    void start();
    void setProgress(const engine::RunProgress& progress);
    // One table of the run is finished (counted even when no progress named it).
    void tableFinished();
    // The run has ended: the clock stops, the bar keeps what was reached.
    void stop();

    QProgressBar* bar() const { return bar_; }
    QLabel* elapsedLabel() const { return elapsed_; }
    // Tables counted as done so far.
    int tablesDone() const;

private:
    void redraw();
    void tick();

    QProgressBar* bar_;
    QLabel* elapsed_;
    QElapsedTimer clock_;
    QTimer ticker_;
    engine::RunProgress progress_;
    int finished_ = 0;
};

}  // namespace gui
