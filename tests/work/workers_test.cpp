// An object's worker threads at its end: what is queued is dropped, and one
// task that hangs is waited for no longer than the bound, then ends on its
// own, the pool gone after it.
#include <gtest/gtest.h>

#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <atomic>
#include <memory>

#include "work/workers.h"

namespace {

TEST(Workers, EndLeavesAHungTaskToEndOnItsOwn) {
    QSemaphore started, release;
    auto ran = std::make_shared<std::atomic<int>>(0);
    {
        work::Workers workers(1);
        workers.Start([&, ran] {
            started.release();
            release.acquire();
            ++*ran;
        });
        workers.Start([ran] { ++*ran; });
        started.acquire();
        workers.End(QDeadlineTimer(0));
        workers.Start([ran] { ++*ran; });
    }
    release.release();
    // The hung task lets go of what it holds when it ends, then its pool goes
    // on a thread of the global pool.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran.use_count() == 1; }));
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(*ran, 1) << "nothing queued ran after the end";
}

}  // namespace
