#include "relink.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/relink_settings.h"
#include "base/italian_count.h"
#include "store/album.h"
#include "store/album_format.h"
#include "store/relink.h"

namespace album_tool {

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "pictora-album: %s\n", message.c_str());
    return 1;
}

bool IsAccessFormat(const std::string& path) {
    return store::AlbumFormatOf(path) == store::AlbumFormat::Access;
}

// On a terminal, how far the search has come, on one line rewritten.
void ShowProgress(const store::RelinkProgress& progress) {
    if (progress.stage == store::RelinkProgress::Stage::Walk) {
        std::fprintf(stderr, "\rCartelle lette: %s file",
                     base::ItalianCount(progress.done).c_str());
    } else {
        std::fprintf(stderr, "\rConfronto delle cartelle: %s su %s",
                     base::ItalianCount(progress.done).c_str(),
                     base::ItalianCount(progress.total).c_str());
    }
    std::fflush(stderr);
}

void Report(const store::RelinkResult& result, const store::RelinkCounts& counts) {
    std::printf("%s\n", store::RelinkSummary(counts).c_str());
    if (!result.mappings.empty()) std::printf("Cartelle ritrovate:\n");
    for (const store::RelinkMapping& m : result.mappings)
        std::printf("  %s -> %s\n", m.oldPrefix.c_str(), m.newPrefix.c_str());
    if (!result.firstMissing.empty()) {
        std::printf(counts.missing > static_cast<std::int64_t>(result.firstMissing.size())
                        ? "Ancora mancanti (le prime %zu):\n"
                        : "Ancora mancanti:\n",
                    result.firstMissing.size());
    }
    for (const store::PicturePlace& p : result.firstMissing) {
        std::printf("  %s  %s\n", p.id.toText().c_str(),
                    store::PicturePathOf(p.folder, p.name).c_str());
    }
    if (result.unreadableFolders > 0) {
        std::printf("Cartelle non leggibili, saltate: %s\n",
                    base::ItalianCount(result.unreadableFolders).c_str());
    }
}

}  // namespace

int Relink(const std::string& album, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec))
            return Fail("'" + folder + "' non è una cartella");
    }
    if (IsAccessFormat(album)) {
        return Fail("'" + album +
                    "' è un album nel formato Access delle versioni precedenti, che non si "
                    "modifica: convertirlo prima con pictora-album import");
    }
    std::unique_ptr<store::Album> opened;
    std::vector<store::PicturePlace> missing;
    try {
        opened = store::MakeSqliteEngine()->Open(album, false);
        for (store::PicturePlace& place : opened->ReadPicturePlaces()) {
            if (!store::PictureIsThere(place.folder, place.name))
                missing.push_back(std::move(place));
        }
    } catch (const store::StoreError& e) {
        return Fail(std::string("Impossibile aprire l'album: ") + e.what());
    }
    store::RelinkOptions options;
    if (isatty(STDERR_FILENO)) options.progress = ShowProgress;
    store::RelinkResult result;
    std::size_t written = 0;
    try {
        if (!missing.empty()) result = store::FindMovedPictures(missing, folders, options);
        if (options.progress) std::fputs("\r\033[K", stderr);
        written = result.found.empty() ? 0 : opened->RelinkPictures(result.found);
    } catch (const store::StoreError& e) {
        return Fail(std::string("Nessuna foto ricollegata: ") + e.what());
    }
    // Rows another program changed meanwhile, or pictures gone again, stay missing.
    store::RelinkCounts counts = result.counts;
    counts.found = static_cast<std::int64_t>(written);
    counts.missing += static_cast<std::int64_t>(result.found.size() - written);
    Report(result, counts);
    return counts.missing + counts.uncertain == 0 ? 0 : kRelinkPartly;
}

int ListKept(const std::string& album) {
    const RelinkAlbum kept = RelinkAlbumOf(QString::fromStdString(album));
    const auto mappings = ReadRelinkMappings(DefaultSettingsFile(), kept.identity);
    if (mappings.empty()) {
        std::printf("Nessuna cartella ritrovata conservata per '%s'\n", album.c_str());
        return 0;
    }
    std::printf("Cartelle ritrovate per '%s':\n", album.c_str());
    for (const store::RelinkMapping& m : mappings)
        std::printf("  %s -> %s\n", m.oldPrefix.c_str(), m.newPrefix.c_str());
    return 0;
}

int ForgetKept(const std::string& album) {
    const RelinkAlbum kept = RelinkAlbumOf(QString::fromStdString(album));
    const QString settings = DefaultSettingsFile();
    if (ReadRelinkMappings(settings, kept.identity).empty()) {
        std::printf("Nessuna cartella ritrovata conservata per '%s'\n", album.c_str());
        return 0;
    }
    if (!ForgetRelinkMappings(settings, kept.identity))
        return Fail("impossibile scrivere il file " + settings.toStdString());
    std::printf("Cartelle ritrovate dimenticate per '%s'\n", album.c_str());
    return 0;
}

}  // namespace album_tool
