// Many photos added at once from the album window: a folder chosen, or the
// files and folders dropped on the window, added on a worker while the
// window goes on answering; the word index follows the photos added.
#include "app/add_folder.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>

#include "app/album_search.h"
#include "app/module1.h"
#include "app/platform.h"
#include "app/store_messages.h"
#include "base/italian_count.h"

namespace {

const char* const kNotAdded = "le foto non sono state aggiunte.";
// Unreadable files named in the summary, at most.
constexpr std::size_t kNamedInSummary = 5;
constexpr int kTickMs = 100;

// Every number from the first added to the last, when they are whole numbers
// and as many as the photos added: the album numbers each batch on from the
// last one's highest, and nobody else wrote meanwhile.
std::vector<store::Value> NumbersAdded(const adding::Result& result) {
    std::vector<store::Value> ids;
    if (!result.firstNumber || !result.lastNumber || !result.firstNumber->isInteger() ||
        !result.lastNumber->isInteger())
        return ids;
    const std::int64_t first = result.firstNumber->integer();
    const std::int64_t last = result.lastNumber->integer();
    if (last - first + 1 != result.added) return ids;
    for (std::int64_t id = first; id <= last; ++id) ids.emplace_back(id);
    return ids;
}

// The worker: the addition, then the word index brought up to date with the
// photos added, when it was current before and no other program (nor this
// program's window) wrote the album meanwhile; otherwise it is left stale
// and built anew when next needed.
adding::Result AddOnWorker(store::Album& album, const std::vector<std::string>& paths,
                           const adding::Options& options, store::PhotoSearch* search) {
    const auto othersBefore = album.ChangesByOthers();
    const std::string before = search ? search->AlbumState() : std::string();
    adding::Result result = adding::AddPictures(album, paths, options);
    if (!search || result.added == 0) return result;
    const std::string after = search->AlbumState();
    if (othersBefore && album.ChangesByOthers() == othersBefore)
        search->Update(NumbersAdded(result), before, after);
    return result;
}

QString Unreadable(const adding::Result& result) {
    QString text;
    const std::size_t named = std::min(result.firstUnreadable.size(), kNamedInSummary);
    for (std::size_t i = 0; i < named; ++i)
        text += "\n" + QString::fromStdString(result.firstUnreadable[i].path) + ": " +
                QString::fromStdString(result.firstUnreadable[i].why);
    if (result.unreadable > static_cast<std::int64_t>(named)) text += "\n…";
    return text.isEmpty() ? text : "\n\nNon leggibili:" + text;
}

}  // namespace

QString AdditionLabel(const PictureAddition::Report& report) {
    const auto count = [](std::int64_t n) { return QString::fromStdString(base::ItalianCount(n)); };
    switch (report.phase) {
        case adding::Phase::Walking:
            return "Ricerca delle foto: " + count(report.done) + " file trovati…";
        case adding::Phase::Checking:
            return "Ricerca delle foto già nell'album…";
        case adding::Phase::Reading:
            return "Lettura delle foto: " + count(report.done) + " di " + count(report.total) + "…";
        case adding::Phase::Adding:
            break;
    }
    return (report.done == 1 ? "Aggiunta 1 foto" : "Aggiunte " + count(report.done) + " foto") +
           " di " + count(report.total) + "…";
}

bool Module1::MayAddPictures() {
    if (addition_) {
        dialogs.Message("Un'aggiunta di foto è già in corso: attendere che finisca.");
        return false;
    }
    if (!Data1.IsOpen()) {
        dialogs.Message(Sentence(StoreErrorCause(store::err::ObjectClosed)) + ": " + kNotAdded);
        return false;
    }
    if (!ReadOnly() && !CdMode) return true;
    QString message = Sentence(ReadOnlyCauseText(readOnlyCause_)) + ": " + kNotAdded;
    if (readOnlyCause_ == store::ReadOnlyCause::OldFormat)
        message += " Convertirlo prima in un album nuovo con \"pictora-album import " +
                   DatabasePath + " NUOVO\" e aggiungere le foto a quello.";
    dialogs.Message(message);
    return false;
}

void Module1::AddFolder() {
    if (!MayAddPictures()) return;
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QDir(start).exists()) start = QDir::homePath();
    const QString folder = dialogs.Folder("Aggiungi una cartella", start);
    if (!folder.isEmpty()) AddPictures({folder});
}

void Module1::AddPictures(const QStringList& paths) {
    AddPictures(paths, adding::Options{});
}

void Module1::AddPictures(const QStringList& paths, const adding::Options& options) {
    if (paths.isEmpty() || !MayAddPictures()) return;
    std::unique_ptr<store::Album> album;
    try {
        album = adding::OpenAlbumForAdding(Data1.AlbumEngine(), Data1.DatabaseName);
    } catch (const store::StoreError& e) {
        dialogs.Message(e.number() == store::err::CannotOpenForWriting
                            ? Sentence(ReadOnlyCauseText(e.readOnlyCause())) + ": " + kNotAdded
                            : FailureMessage(e, kNotAdded));
        return;
    }
    // The worker's own search of the album, as a build has.
    std::shared_ptr<store::PhotoSearch> search;
    if (OpenSearch()) {
        try {
            search = Data1.OpenSearch(search_->indexPath);
        } catch (const store::StoreError&) {
            // The index is then built anew when next needed.
        }
    }
    auto run = std::make_unique<PictureAddition>();
    run->albumPath = QString::fromStdString(Data1.DatabaseName);
    const std::shared_ptr<PictureAddition::Shared> shared = run->shared;
    shared->album = std::move(album);
    std::vector<std::string> files;
    for (const QString& path : paths) files.push_back(QFile::encodeName(path).toStdString());

    // The caller's watch and stop first, then the box's report and stop.
    adding::Options worker = options;
    worker.cancel = &shared->cancel;
    worker.progress = [shared, caller = options](adding::Phase phase, std::int64_t done,
                                                 std::int64_t total) {
        if (caller.progress) caller.progress(phase, done, total);
        if (caller.cancel && caller.cancel->load()) shared->cancel = true;
        const std::lock_guard lock(shared->reportLock);
        shared->report = {phase, done, total};
    };
    run->progress = dialogs.StartProgress(AdditionLabel({}));
    connect(&run->watcher, &QFutureWatcher<adding::Result>::finished, this, &Module1::EndAddition);
    connect(&run->ticker, &QTimer::timeout, this, &Module1::AdvanceAddition);
    run->ticker.start(kTickMs);
    run->watcher.setFuture(run->pool.Run([shared, files, worker, search] {
        return AddOnWorker(*shared->album, files, worker, search.get());
    }));
    addition_ = std::move(run);
}

void Module1::AdvanceAddition() {
    if (!addition_) return;
    PictureAddition& run = *addition_;
    // Ended, its summary waiting for a box the user opened meanwhile.
    if (!run.progress) {
        EndAddition();
        return;
    }
    PictureAddition::Report report;
    {
        const std::lock_guard lock(run.shared->reportLock);
        report = run.shared->report;
    }
    run.progress->Label(AdditionLabel(report));
    // The box runs events: the worker's end may come meanwhile, and waits.
    run.advancing = true;
    const bool goOn = run.progress->Advance(report.done, report.total);
    run.advancing = false;
    if (!goOn) run.shared->cancel = true;
    if (run.ended) EndAddition();
}

void Module1::EndAddition() {
    if (!addition_) return;
    PictureAddition& run = *addition_;
    run.ended = true;
    if (run.advancing) return;
    run.progress.reset();
    // A box the user opened meanwhile is answered first; the ticks come
    // back until it is closed.
    if (QGuiApplication::modalWindow()) return;
    run.ticker.stop();
    const adding::Result result = run.watcher.result();
    const QString album = run.albumPath;
    addition_.reset();
    TellAddition(result);
    // The first photo added, in the album it was added to.
    if (result.firstNumber && !CdMode && QString::fromStdString(Data1.DatabaseName) == album)
        ReopenAlbum(result.firstNumber);
    emit PicturesAdded();
}

void Module1::TellAddition(const adding::Result& result) {
    QString text = QString::fromStdString(adding::Summary(result)) + ".";
    if (result.failure)
        text += "\n" + FailureMessage(*result.failure, "le altre foto non sono state aggiunte.");
    dialogs.Message(text + Unreadable(result));
}
