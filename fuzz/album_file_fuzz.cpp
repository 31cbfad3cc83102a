// An album file of any bytes (mutated albums, mostly): the checks made before
// opening it, opening it for reading and for writing, walking it with the
// cursor, the photo list, adding and deleting a photo. The store may refuse
// the file with one of its error numbers; it must never crash, hang, read out
// of bounds or let another kind of failure escape.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/album.h"

namespace {

// One file per fuzzing process, written anew for every input, in a folder
// removed at exit.
const std::string& AlbumPath() {
    static std::string folder;
    static const std::string path = [] {
        char name[] = "/tmp/pictora-fuzz-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        folder = name;
        std::atexit([] { std::filesystem::remove_all(folder); });
        return folder + "/album.mdb";
    }();
    return path;
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    for (const char* ending : {"-journal", "-wal", "-shm"}) std::remove((path + ending).c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Walks the album the way the album window and the photo list do.
void Walk(store::Album& album) {
    auto rows = album.OpenCursor();
    for (int i = 0; i < 64 && !rows->Eof(); ++i) {
        if (rows->HasCurrentRow()) {
            const store::Photo& photo = rows->Current();
            rows->PhotoBefore(photo);
            rows->PhotoAfter(photo);
        }
        rows->MoveNext();
    }
    if (!rows->Bof() || !rows->Eof()) {
        rows->MoveLast();
        rows->MovePrevious();
    }
    for (const store::Value& number : {store::Value(1), store::Value(-1), store::Value(2.5)})
        rows->SeekId(number);

    auto index = album.OpenPhotoIndex();
    const std::int64_t count = index->Count();
    for (const std::int64_t position : {std::int64_t{0}, count / 2, count - 1, count})
        index->At(position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto engine = store::MakeSqliteEngine();
    const std::string& path = AlbumPath();
    Write(path, data, size);
    try {
        Walk(*engine->Open(path, true));
    } catch (const store::StoreError&) {
    }
    try {
        auto album = engine->Open(path, false);
        album->InsertPhoto({"titolo", "01/01/01", "luogo", "persone", "note", "foto.jpg", "/foto"});
        auto rows = album->OpenCursor();
        rows->MoveLast();
        rows->Delete();
        Walk(*album);
    } catch (const store::StoreError&) {
    }
    return 0;
}
