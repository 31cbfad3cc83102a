// Finding the pictures of an album's photos after they moved, from the album
// window: the search runs on a worker while the window goes on painting.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QTimer>
#include <atomic>
#include <unordered_map>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "app/relink_settings.h"
#include "app/store_messages.h"
#include "store/relink.h"
#include "store/relink_names.h"
#include "work/workers.h"

// The mappings kept for the album last asked about.
struct Module1::KeptMappings {
    QString album;
    std::vector<store::RelinkMapping> mappings;
};

namespace {

// What the worker and the window share while the search runs: the photos
// whose picture is not where the album says (`there` names each file as the
// album is read now), looked for under `root`.
struct Search {
    std::vector<store::PicturePlace> places;
    std::vector<std::string> there;
    std::string root;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
};

struct Outcome {
    store::RelinkResult result;
    QString error;
};

Outcome FindOnWorker(Search& search) {
    Outcome outcome;
    std::vector<store::PicturePlace> missing;
    const std::vector<store::PicturePlace>& places = search.places;
    for (std::size_t i = 0; i < places.size() && !search.cancel; ++i)
        if (!store::PictureIsThere(search.there[i], places[i].name)) missing.push_back(places[i]);
    store::RelinkOptions options;
    options.cancel = &search.cancel;
    options.missingNamed = 3;
    options.progress = [&search](const store::RelinkProgress& p) {
        search.done = p.done;
        search.total = p.total;
    };
    try {
        outcome.result = store::FindMovedPictures(missing, {search.root}, options);
    } catch (const store::StoreError& e) {
        outcome.error = QString::fromStdString(e.what());
    }
    if (search.cancel) outcome.result.cancelled = true;
    return outcome;
}

// Waits for `future` with the user's clicks and keys held back, the progress
// box told how far the search has come; its Annulla stops the worker.
Outcome Await(QFuture<Outcome> future, Search& search, Progress& progress) {
    QFutureWatcher<Outcome> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    tick.start(100);
    while (!future.isFinished()) {
        if (!progress.Advance(search.done, search.total)) search.cancel = true;
        if (!future.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return future.result();
}

QString SummaryText(const store::RelinkResult& result, const store::RelinkCounts& counts) {
    QString text = QString::fromStdString(store::RelinkSummary(counts));
    if (!result.firstMissing.empty()) {
        text += "\n\nAncora mancanti:";
        for (const store::PicturePlace& p : result.firstMissing) {
            text += "\n" + QString::fromStdString(p.id.toText()) + ": " +
                    QString::fromStdString(
                        store::relink::AsUtf8(store::PicturePathOf(p.folder, p.name)));
        }
        if (counts.missing > static_cast<qint64>(result.firstMissing.size())) text += "\n…";
    }
    return text;
}

// The numbers of the rows moved, for the word index.
std::vector<store::Value> IdsOf(const std::vector<store::PictureMove>& moves,
                                const std::vector<store::PicturePlace>& places) {
    std::unordered_map<std::int64_t, const store::Value*> byRow;
    for (const store::PicturePlace& p : places) byRow.emplace(p.row, &p.id);
    std::vector<store::Value> ids;
    ids.reserve(moves.size());
    for (const store::PictureMove& move : moves) ids.push_back(*byRow.at(move.row));
    return ids;
}

// For an album never written: each stored folder found, as it is spelled
// there, to the folder that holds its pictures now. A learned prefix would
// carry the stored spelling of the names below it, which a disk copied from
// Windows may not share.
std::vector<store::RelinkMapping> FolderMappings(const std::vector<store::PictureMove>& moves) {
    std::vector<store::RelinkMapping> mappings;
    std::unordered_map<std::string, bool> seen;
    for (const store::PictureMove& move : moves)
        if (seen.emplace(move.oldFolder, true).second)
            mappings.push_back({move.oldFolder, move.newFolder});
    return mappings;
}

}  // namespace

QString Module1::OwnAlbumPath() const {
    return CdMode ? CdDatabasePath : QString::fromStdString(Data1.DatabaseName);
}

std::optional<std::string> Module1::MovedFolder(const std::string& folder) const {
    // A native album open for writing holds its new folders itself.
    if (!Data1.ReadOnly) return std::nullopt;
    const QString album = OwnAlbumPath();
    if (!kept_ || kept_->album != album) {
        kept_ = std::make_shared<KeptMappings>();
        kept_->album = album;
        if (!album.isEmpty()) {
            kept_->mappings =
                ReadRelinkMappings(platform.SettingsFile(), RelinkAlbumOf(album).identity);
        }
    }
    if (kept_->mappings.empty()) return std::nullopt;
    return store::ApplyMappings(folder, kept_->mappings);
}

void Module1::FindMovedPictures() {
    if (!Data1.IsOpen()) return;
    const QString root =
        dialogs.Folder("Cerca le foto spostate: la cartella dove sono ora", QDir::homePath());
    if (root.isEmpty()) return;
    const auto search = std::make_shared<Search>();
    search->root = QFile::encodeName(root).toStdString();
    std::vector<store::PicturePlace>& places = search->places;
    try {
        places = Data1.ReadPicturePlaces();
    } catch (const store::StoreError& e) {
        dialogs.Message(FailureMessage(e, "le foto non sono state cercate."));
        return;
    }
    // Where each picture is looked for now, as the frame looks for it.
    search->there.reserve(places.size());
    const std::string cdRoot = QFile::encodeName(CdDriveLetter).toStdString();
    for (const store::PicturePlace& p : places) {
        const std::optional<std::string> moved = MovedFolder(p.folder);
        search->there.push_back(moved ? *moved : CdMode ? cdRoot + "/" + p.folder : p.folder);
    }
    const std::unique_ptr<Progress> progress =
        dialogs.StartProgress("Ricerca delle foto spostate…");
    work::Workers finder(1);
    const Outcome outcome =
        Await(finder.Run([search] { return FindOnWorker(*search); }), *search, *progress);
    if (outcome.result.cancelled) return;
    if (!outcome.error.isEmpty()) {
        dialogs.Message("Le foto non sono state cercate: " + outcome.error);
        return;
    }
    store::RelinkCounts counts = outcome.result.counts;
    if (Data1.ReadOnly) {
        KeepLearned(FolderMappings(outcome.result.found));
    } else if (!outcome.result.found.empty()) {
        std::size_t written = 0;
        const std::string searchBefore = SearchStateBeforeWrite();
        try {
            written = Data1.RelinkPictures(outcome.result.found);
        } catch (const store::StoreError& e) {
            dialogs.Message(FailureMessage(e, "le foto ritrovate non sono state scritte."));
            return;
        }
        PhotosWritten(IdsOf(outcome.result.found, places), searchBefore);
        // Rows another program changed meanwhile stay as they were.
        counts.missing += static_cast<qint64>(outcome.result.found.size() - written);
        counts.found = static_cast<qint64>(written);
        RereadShownPhoto();
    }
    dialogs.Message(SummaryText(outcome.result, counts));
    ShowPhoto();
}

void Module1::KeepLearned(const std::vector<store::RelinkMapping>& learned) {
    if (learned.empty()) return;
    if (!KeepRelinkMappings(platform.SettingsFile(), RelinkAlbumOf(OwnAlbumPath()), learned)) {
        dialogs.Message("Le cartelle ritrovate non sono state salvate: il file " +
                        platform.SettingsFile() + " non si può scrivere.");
    }
    kept_.reset();
}

void Module1::RereadShownPhoto() {
    if (!current_) return;
    const store::Photo shown = *current_;
    try {
        Data1.Refresh();
        store::Cursor& rows = Data1.Recordset();
        // Photos numbered alike are told apart by their row.
        if (!rows.SeekId(shown.id)) return;
        while (rows.HasCurrentRow() && rows.Current().id == shown.id &&
               !rows.Current().SameRow(shown))
            rows.MoveNext();
        if (!rows.HasCurrentRow() || !rows.Current().SameRow(shown)) rows.SeekId(shown.id);
    } catch (const store::StoreError&) {
        // Listeners have heard what is open; the next command says why not.
    }
}
