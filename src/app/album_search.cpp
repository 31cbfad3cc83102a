// Finding photos by their words: the word index of the album now open, built
// on a thread of its own, kept up to date with this program's own writes,
// and built anew when another program changed the album.
#include "app/album_search.h"

#include <QDir>

#include "app/module1.h"
#include "app/platform.h"

namespace {

std::optional<std::int64_t> IndexKey(const store::Value& id) {
    if (id.isInteger()) return id.integer();
    if (id.isReal() && id.real() == static_cast<double>(static_cast<std::int64_t>(id.real())))
        return static_cast<std::int64_t>(id.real());
    return std::nullopt;
}

}  // namespace

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
    std::unique_ptr<store::PhotoSearch> builder;
    try {
        builder = Data1.OpenSearch(s.indexPath);
    } catch (const store::StoreError& e) {
        s.error = QString::fromStdString(e.what());
        return;
    }
    s.building = true;
    s.percent = 0;
    const int generation = ++s.generation;
    emit SearchProgress(0);
    std::atomic<bool>* stop = &s.stop;
    s.worker = std::thread([this, generation, stop, builder = std::move(builder)] {
        int told = 0;
        QString error;
        try {
            builder->Build([&](std::int64_t done, std::int64_t total) {
                const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
                if (percent != told) {
                    told = percent;
                    QMetaObject::invokeMethod(
                        this, [this, generation, percent] { BuildAdvanced(generation, percent); },
                        Qt::QueuedConnection);
                }
                return !stop->load();
            });
        } catch (const store::StoreError& e) {
            error = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, generation, error] { BuildEnded(generation, error); },
            Qt::QueuedConnection);
    });
}

void Module1::BuildAdvanced(int generation, int percent) {
    if (generation != search_->generation || !search_->building) return;
    search_->percent = percent;
    emit SearchProgress(percent);
}

void Module1::BuildEnded(int generation, const QString& error) {
    if (generation != search_->generation) return;
    if (search_->worker.joinable()) search_->worker.join();
    search_->building = false;
    search_->error = error;
    emit SearchReady();
}

bool Module1::SearchBuilding() const {
    return search_->building;
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
    return search_->search->AlbumState();
}

void Module1::PhotoWritten(const store::Value& id, const std::string& before) {
    const auto key = IndexKey(id);
    if (!key || before.empty() || !search_->search || search_->building) return;
    // An index that was not current before the write stays stale, and is
    // built anew when next searched.
    search_->search->Update({*key}, before);
}
