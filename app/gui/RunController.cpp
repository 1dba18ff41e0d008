#include "RunController.h"

#include "DesktopRunHost.h"

namespace gui {

RunController::RunController(DesktopRunHost& host, QObject* parent)
    : QObject(parent), host_(host) {}

RunController::~RunController() {
    if (thread_) {
        stop_ = true;
        host_.cancelQuestions();
        thread_->quit();
        thread_->wait();
    }
}

void RunController::start(std::unique_ptr<engine::RunContext> ctx) {
    ctx_ = std::move(ctx);
    stop_ = false;
    ctx_->stopRequested = &stop_;
    result_ = RunResult{};
    host_.allowQuestions();
    auto* thread = new QThread;
    auto* worker = new RunWorker(*ctx_, result_);
    worker->moveToThread(thread);
    connect(thread, &QThread::started, worker, &RunWorker::run);
    connect(worker, &RunWorker::done, thread, &QThread::quit);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, &RunController::threadFinished);
    thread_ = thread;
    thread->start();
}

void RunController::threadFinished() {
    thread_ = nullptr;
    ctx_.reset();
    emit finished(result_.outcome == engine::RunOutcome::Completed);
}

}  // namespace gui
