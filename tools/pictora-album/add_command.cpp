// pictora-album add: many photos into an album, as the album object adds
// them, with a line of progress a second on a terminal.
#include "add_command.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "adding/add_pictures.h"
#include "base/italian_count.h"
#include "store/access_engine.h"

namespace album_tool {

namespace {

// Ctrl+C stops the addition between two files or two batches; a second one
// ends the tool at once, which leaves the album as sound.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void Interrupt(int) {
    interrupted = true;
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = Interrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// One line a second, on a terminal only: a program reading stdout takes the
// counts at the end.
class ProgressLines {
public:
    ProgressLines() : terminal_(isatty(STDOUT_FILENO) == 1) {}

    void operator()(adding::Phase phase, std::int64_t done, std::int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (!terminal_ || now - last_ < std::chrono::seconds(1)) return;
        last_ = now;
        const std::string count = base::ItalianCount(done);
        const std::string all = base::ItalianCount(total);
        switch (phase) {
            case adding::Phase::Walking:
                std::printf("Ricerca delle foto: %s file trovati\n", count.c_str());
                break;
            case adding::Phase::Checking:
                std::printf("Confronto con l'album: %s foto viste\n", count.c_str());
                break;
            case adding::Phase::Reading:
                std::printf("Lettura delle foto: %s di %s\n", count.c_str(), all.c_str());
                break;
            case adding::Phase::Adding:
                std::printf("Scrittura nell'album: %s di %s\n", count.c_str(), all.c_str());
                break;
        }
        std::fflush(stdout);
    }

private:
    bool terminal_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

void Tell(const adding::Result& result) {
    for (const adding::Unreadable& file : result.firstUnreadable)
        std::fprintf(stderr, "Non leggibile: %s: %s\n", file.path.c_str(), file.why.c_str());
    const auto named = static_cast<std::int64_t>(result.firstUnreadable.size());
    if (result.unreadable > named) {
        std::fprintf(stderr, "... e altri %s non leggibili\n",
                     base::ItalianCount(result.unreadable - named).c_str());
    }
    if (result.failure && result.added == 0) {
        std::fprintf(stderr, "pictora-album: Impossibile aggiungere foto all'album: %s\n",
                     result.failure->what());
    } else if (result.failure) {
        std::fprintf(stderr,
                     "pictora-album: Impossibile aggiungere altre foto all'album (quelle già "
                     "scritte restano): %s\n",
                     result.failure->what());
    }
    std::printf("%s\n", adding::Summary(result).c_str());
    std::printf("%s%lld\n%s%lld\n%s%lld\n%s%lld\n", store::kAlbumToolPhotos,
                static_cast<long long>(result.added), kAddAlready,
                static_cast<long long>(result.already), kAddUnreadable,
                static_cast<long long>(result.unreadable), kAddNotPictures,
                static_cast<long long>(result.notPictures));
}

}  // namespace

int Add(const std::string& album, const std::vector<std::string>& paths) {
    std::unique_ptr<store::Album> opened;
    try {
        const std::unique_ptr<store::Engine> engine = store::MakeSqliteEngine();
        opened = adding::OpenAlbumForAdding(*engine, album);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "pictora-album: Impossibile aggiungere foto all'album: %s\n",
                     e.what());
        return 1;
    }
    CatchInterrupts();
    ProgressLines progress;
    adding::Options options;
    options.progress = std::ref(progress);
    options.cancel = &interrupted;
    const adding::Result result = adding::AddPictures(*opened, paths, options);
    Tell(result);
    if (result.failure) return 1;
    if (result.cancelled) return kAddInterrupted;
    return result.unreadable > 0 ? kAddSomeUnreadable : 0;
}

}  // namespace album_tool
