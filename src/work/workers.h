#pragma once

// The worker threads of one object, ended with it. Each object has a pool of
// its own, never Qt's global one, which the application's end waits for
// without a bound: a read hung on a dead share would hang the program's end.
// The end drops what is queued and waits for what runs up to a bound; a task
// still running then (a read or a write that does not return) keeps the pool
// until it ends, and the pool is deleted after it, or ends with the program.
// So a task touches only what it holds itself (shared state through a
// shared_ptr), never its owner once that is gone.
#include <QDeadlineTimer>
#include <QPromise>
#include <QRunnable>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <functional>
#include <memory>

namespace work {

// Longer than any decode the memory budget allows, or than a long task
// takes to see its stop, on an idle machine.
inline constexpr int kCloseWaitMs = 2000;

class Workers {
public:
    // A task that may be taken back while it waits in the queue.
    class Task : public QRunnable {
        friend class Workers;
        std::shared_ptr<QThreadPool> pool_;  // kept until the task ends
    };

    // At most `threads` tasks at once.
    explicit Workers(int threads);
    // End(kCloseWaitMs).
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Queues `task` (deleted once run), higher priorities first; after End
    // it is deleted unrun.
    void Start(Task* task, int priority = 0);
    void Start(std::function<void()> work, int priority = 0);
    // QtConcurrent::run on this pool: `work()`'s result told through the
    // future. After End the future is cancelled, `work` unrun.
    template <typename Work>
    auto Run(Work work) {
        return QtConcurrent::run(
            pool_.get(), [work = std::move(work), keep = pool_]() mutable { return work(); });
    }
    // The same for a `work(QPromise<T>&)` that tells its news itself.
    template <typename T, typename Work>
    QFuture<T> RunWithPromise(Work work) {
        return QtConcurrent::run(pool_.get(), [work = std::move(work), keep = pool_](
                                                  QPromise<T>& promise) mutable { work(promise); });
    }
    // Takes `task` back from the queue: true when it had not started, and
    // the caller then owns it.
    bool TryTake(Task* task);
    // Drops the queued tasks, keeping those running.
    void Clear();
    // Returns when no task is queued or running (tests, benchmarks).
    void WaitForDone();
    // Drops the queued tasks and waits for those running until `deadline`;
    // one running past it is left to end on its own. Nothing starts after.
    void End(QDeadlineTimer deadline);

private:
    std::shared_ptr<QThreadPool> pool_;
};

}  // namespace work
