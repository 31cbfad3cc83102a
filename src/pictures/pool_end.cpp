#include "pictures/pool_end.h"

#include <QThreadPool>

#include <algorithm>
#include <climits>
#include <mutex>
#include <vector>

namespace pictures {

void EndPool(QThreadPool* pool, QDeadlineTimer deadline) {
    const qint64 left = std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX);
    if (pool->waitForDone(static_cast<int>(left))) {
        delete pool;
        return;
    }
    // Kept where the leak checker finds it: the pool, which would wait for
    // its threads, goes with the program.
    static std::mutex mutex;
    static std::vector<QThreadPool*> left_to_tasks;
    std::lock_guard lock(mutex);
    left_to_tasks.push_back(pool);
}

}  // namespace pictures
