#pragma once

#include <QObject>

namespace engine {
struct RunContext;
}

namespace gui {

// Runs one migration on the thread it was moved to and reports the outcome.
class RunWorker : public QObject {
    Q_OBJECT
public:
    explicit RunWorker(engine::RunContext& ctx) : ctx_(ctx) {}

public slots:
    void run();

signals:
    void done(bool completed);

private:
    engine::RunContext& ctx_;
};

}  // namespace gui
