// Finding photos by their words: the word index of the album now open, built
// off the window's thread, kept up to date with this program's own writes,
// and built anew when another program changed the album.
#include "app/album_search.h"

#include <QDir>
#include <QThread>
#include <utility>

#include "app/module1.h"
#include "app/platform.h"
#include "store/search_scratch.h"

namespace {

// On the build's thread: tells the news through the build's own promise,
// the one thing it shares with the window's thread.
void BuildIndex(QPromise<BuildNews>& promise, const std::shared_ptr<store::PhotoSearch>& builder) {
    BuildNews told;
    try {
        builder->Build([&](std::int64_t done, std::int64_t total, bool waiting) {
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
            if (percent != told.percent || waiting != told.waiting) {
                told.percent = percent;
                told.waiting = waiting;
                promise.addResult(told);
            }
            return !promise.isCanceled();
        });
    } catch (const store::StoreError& e) {
        told.error = QString::fromStdString(e.what());
    }
    told.ended = true;
    promise.addResult(told);
}

}  // namespace

AlbumSearch::AlbumSearch(const std::string& folder) : pool_(1) {
    pool_.Start([folder] { store::RemoveAbandonedScratch(folder); });
}

AlbumSearch::~AlbumSearch() {
    watcher_.reset();
    build_.cancel();
    // A build, or the removal of scratch files, holds only what it was
    // given: past the bound it ends on its own.
    pool_.End(QDeadlineTimer(work::kCloseWaitMs));
}

void AlbumSearch::Stop() {
    watcher_.reset();
    build_.cancel();
    // Up to the bound: a build held in a read of a dead share holds only
    // what it was given and ends on its own, and the next one, on the same
    // single worker, starts after it.
    const QDeadlineTimer deadline(work::kCloseWaitMs);
    while (!build_.isFinished() && !deadline.hasExpired()) QThread::msleep(2);
}

void AlbumSearch::Start(std::shared_ptr<store::PhotoSearch> builder, QObject* context,
                        std::function<void(const BuildNews&)> told) {
    Stop();
    // Queued after the removal of scratch files: no build's scratch file is
    // taken for an abandoned one.
    build_ = pool_.RunWithPromise<BuildNews>(
        [builder = std::move(builder)](QPromise<BuildNews>& promise) {
            BuildIndex(promise, builder);
        });
    watcher_ = std::make_unique<QFutureWatcher<BuildNews>>();
    QFutureWatcher<BuildNews>* watcher = watcher_.get();
    QObject::connect(
        watcher, &QFutureWatcherBase::resultReadyAt, context,
        [watcher, told = std::move(told)](int index) { told(watcher->resultAt(index)); });
    watcher->setFuture(build_);
}

bool Module1::OpenSearch() {
    if (!Data1.IsOpen()) return false;
    const std::string indexPath =
        QDir(platform.SearchIndexFolder())
            .filePath(QString::fromStdString(store::SearchIndexName(Data1.DatabaseName)))
            .toStdString();
    AlbumSearch& s = *search_;
    if (s.search && s.indexPath == indexPath) return true;
    // Another album: its own index, and no build of the last one's.
    s.Stop();
    s.building = false;
    s.error.clear();
    ++s.generation;
    s.indexPath = indexPath;
    try {
        s.search = Data1.OpenSearch(indexPath);
    } catch (const store::StoreError& e) {
        s.search.reset();
        s.error = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

void Module1::PrepareSearch() {
    if (!OpenSearch() || search_->building) return;
    search_->error.clear();
    if (!search_->search->IsCurrent()) BuildSearchIndex();
}

void Module1::BuildSearchIndex() {
    AlbumSearch& s = *search_;
    s.Stop();
    std::shared_ptr<store::PhotoSearch> builder;
    try {
        builder = Data1.OpenSearch(s.indexPath);
    } catch (const store::StoreError& e) {
        s.error = QString::fromStdString(e.what());
        return;
    }
    s.building = true;
    s.waiting = false;
    s.percent = 0;
    const int generation = ++s.generation;
    emit SearchProgress(0);
    s.Start(std::move(builder), this, [this, generation](const BuildNews& news) {
        if (news.ended)
            BuildEnded(generation, news.error);
        else
            BuildAdvanced(generation, news.percent, news.waiting);
    });
}

void Module1::BuildAdvanced(int generation, int percent, bool waiting) {
    if (generation != search_->generation || !search_->building) return;
    search_->percent = percent;
    search_->waiting = waiting;
    emit SearchProgress(percent);
}

void Module1::BuildEnded(int generation, const QString& error) {
    if (generation != search_->generation) return;
    search_->building = false;
    search_->waiting = false;
    search_->error = error;
    emit SearchReady();
}
bool Module1::SearchBuilding() const {
    return search_->building;
}

bool Module1::SearchWaiting() const {
    return search_->waiting;
}

int Module1::SearchPercent() const {
    return search_->percent;
}

QString Module1::SearchError() const {
    return search_->error;
}

std::unique_ptr<store::PhotoIndex> Module1::FindPhotos(const QString& words) {
    const std::string typed = words.toStdString();
    if (store::SearchWords(typed).empty()) return OpenPhotoIndex();
    // A failed build is not tried again at every keystroke; opening the
    // list again does.
    if (search_->error.isEmpty()) PrepareSearch();
    if (!search_->search || search_->building || !search_->error.isEmpty()) return nullptr;
    try {
        return search_->search->Find(typed);
    } catch (const store::StoreError&) {
        // An index that cannot be read is built anew.
        BuildSearchIndex();
        return nullptr;
    }
}

std::string Module1::SearchStateBeforeWrite() {
    if (!OpenSearch()) return {};
    // Counted before the state is taken: a write by another program after
    // the count shows in the count after this program's write.
    search_->othersBefore = Data1.ChangesByOthers();
    return search_->search->AlbumState();
}

void Module1::PhotoWritten(const store::Value& id, const std::string& before) {
    PhotosWritten({id}, before);
}

void Module1::PhotosWritten(const std::vector<store::Value>& ids, const std::string& before) {
    AlbumSearch& s = *search_;
    const auto othersBefore = std::exchange(s.othersBefore, std::nullopt);
    if (before.empty() || !s.search || s.building) return;
    // The state after the write is taken before the count: whatever another
    // program wrote up to the state's reading moves the count, and the
    // index, left stale, is built anew rather than the write hidden.
    const std::string after = s.search->AlbumState();
    const auto othersAfter = Data1.ChangesByOthers();
    if (!othersBefore || othersAfter != othersBefore) return;
    s.search->Update(ids, before, after);
}
