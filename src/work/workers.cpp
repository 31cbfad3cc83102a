#include "work/workers.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <climits>

namespace work {

namespace {

// Called by the last holder of the pool. On the thread that made it, once its
// tasks have ended, or as the last one returns: deleted at once. On the
// thread of its last task, which deleting the pool there would wait for
// forever: deleted by a thread of the global pool, once that task has
// returned, a wait of no length that the application's end may share.
void DeletePool(QThreadPool* pool) {
    if (QThread::currentThread() == pool->thread()) {
        delete pool;
    } else if (QThreadPool* global = QThreadPool::globalInstance()) {
        global->start([pool] { delete pool; });
    }
}

class Work : public Workers::Task {
public:
    explicit Work(std::function<void()> work) : work_(std::move(work)) {}
    void run() override { work_(); }

private:
    std::function<void()> work_;
};

}  // namespace

Workers::Workers(int threads) : pool_(new QThreadPool, DeletePool) {
    pool_->setMaxThreadCount(std::max(threads, 1));
}

Workers::~Workers() {
    End(QDeadlineTimer(kCloseWaitMs));
}

void Workers::Start(Task* task, int priority) {
    if (!pool_) {
        delete task;
        return;
    }
    task->pool_ = pool_;
    pool_->start(task, priority);
}

void Workers::Start(std::function<void()> work, int priority) {
    Start(new Work(std::move(work)), priority);
}

bool Workers::TryTake(Task* task) {
    return pool_ && pool_->tryTake(task);
}

void Workers::Clear() {
    if (pool_) pool_->clear();
}

void Workers::WaitForDone() {
    if (pool_) pool_->waitForDone();
}

void Workers::End(QDeadlineTimer deadline) {
    if (!pool_) return;
    pool_->clear();
    pool_->waitForDone(deadline.isForever() ? -1
                                            : static_cast<int>(std::clamp<qint64>(
                                                  deadline.remainingTime(), 0, INT_MAX)));
    pool_.reset();
}

}  // namespace work
