// The word index's build at the album object's end: stopped, and one held in
// a read of a dead share waited for no longer than the bound.
#include <gtest/gtest.h>

#include <QDir>
#include <QObject>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include "app/album_search.h"

namespace {

// A build that waits for the test before each step, whatever it is told.
struct HeldBuild : store::PhotoSearch {
    QSemaphore started, release;
    std::string AlbumState() override { return {}; }
    bool IsCurrent() override { return false; }
    bool Build(const Progress&) override {
        started.release();
        release.acquire();
        return true;
    }
    std::unique_ptr<store::PhotoIndex> Find(const std::string&) override { return nullptr; }
    bool Update(const std::vector<store::Value>&, const std::string&, const std::string&) override {
        return false;
    }
};

// Ending, or stopping the build to switch albums.
TEST(AlbumSearch, EndLeavesAHungBuildToEndOnItsOwn) {
    auto build = std::make_shared<HeldBuild>();
    QObject context;
    {
        AlbumSearch search(QDir::tempPath().toStdString());
        search.Start(build, &context, [](const BuildNews&) {});
        build->started.acquire();
        search.Stop();
    }
    build->release.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return build.use_count() == 1; }));
    // Then the pool goes, on a thread of the global pool.
    QThreadPool::globalInstance()->waitForDone();
}

}  // namespace
