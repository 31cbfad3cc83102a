// The Access-format engine on its own: which engine a file goes to, the
// out-of-process conversion, its cache, and what a bad file or a bad reader
// costs. The copies are opened by a stand-in native engine that records what
// it was asked; the album's photos through the real one are tested in
// album_test.cpp.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "access_fixtures.h"
#include "store/access_engine.h"
#include "store/child_process.h"
#include "store/store_error.h"

using namespace access_test;
namespace fs = std::filesystem;

namespace {

// Opens whatever it is given and counts its photos with SQLiteCpp.
class RecordingEngine final : public store::Engine {
public:
    struct Opened {
        std::string path;
        bool readOnly;
    };
    std::vector<Opened> opened;

    std::unique_ptr<store::Album> Open(const std::string& path, bool readOnly) override {
        opened.push_back({path, readOnly});
        if (!fs::exists(path)) throw store::StoreError(store::err::FileNotFound, path);
        return std::make_unique<CountingAlbum>(path);
    }

private:
    class CountingIndex final : public store::PhotoIndex {
    public:
        explicit CountingIndex(std::int64_t count) : count_(count) {}
        std::int64_t Count() const override { return count_; }
        const store::PhotoEntry* At(std::int64_t) override { return nullptr; }

    private:
        std::int64_t count_;
    };
    class CountingAlbum final : public store::Album {
    public:
        explicit CountingAlbum(std::string path) : path_(std::move(path)) {}
        std::unique_ptr<store::Cursor> OpenCursor() override { return nullptr; }
        store::Value InsertPhoto(const store::PhotoTexts&) override {
            throw store::StoreError(store::err::ReadOnlyDatabase, path_);
        }
        std::unique_ptr<store::PhotoIndex> OpenPhotoIndex() override {
            SQLite::Database db(path_, SQLite::OPEN_READONLY);
            return std::make_unique<CountingIndex>(
                db.execAndGet("SELECT count(*) FROM datab").getInt64());
        }

    private:
        std::string path_;
    };
};

class AccessEngineTest : public testing::Test {
protected:
    AccessEngineTest() : native(std::make_shared<RecordingEngine>()) {
        fs::create_directory(dir / "cd");
        options.cacheFolder = dir / "cache";
        options.albumTool = PICTORA_ALBUM_TOOL;
    }

    std::unique_ptr<store::Engine> Engine() { return store::MakeAlbumEngine(options, native); }

    // The error number Open raises, 0 when it opens.
    int OpenError(const std::string& path, bool readOnly = true) {
        try {
            Engine()->Open(path, readOnly);
        } catch (const store::StoreError& e) {
            message = e.what();
            return e.number();
        }
        return 0;
    }

    std::set<std::string> Cached() const {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(options.cacheFolder, ec))
            if (e.path().filename().string()[0] != '.') names.insert(e.path().filename());
        return names;
    }

    // A stand-in for pictora-album, to see how the engine takes a reader
    // that hangs, crashes or talks nonsense.
    std::string Script(const std::string& body) {
        const std::string path = dir / ("lettore-" + std::to_string(scripts++) + ".sh");
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    TempDir dir;
    store::AccessOptions options;
    std::shared_ptr<RecordingEngine> native;
    std::string message;
    int scripts = 0;
};

TEST_F(AccessEngineTest, ReadsTheFileOnceIntoACachedCopyAndReopensItWhileTheFileIsUnchanged) {
    const std::string album = dir / "cd/database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("accents", album, "--jet3"));
    const std::string before = ReadBytes(album);

    ASSERT_EQ(OpenError(album), 0) << message;
    ASSERT_EQ(native->opened.size(), 2u);  // the new copy checked, then opened
    const std::string copy = native->opened.back().path;
    EXPECT_TRUE(native->opened.back().readOnly);
    EXPECT_EQ(fs::path(copy).parent_path(), fs::path(options.cacheFolder));
    EXPECT_EQ(NativeRows(copy), InNumberOrder(FixtureRows("accents")));
    EXPECT_EQ(Cached(), std::set<std::string>{fs::path(copy).filename()});

    // Reopening reads nothing: it works with no reader at all.
    options.albumTool = dir / "manca";
    ASSERT_EQ(OpenError(album), 0) << message;
    EXPECT_EQ(native->opened.back().path, copy);

    // The file was only read, and nothing appeared beside it.
    EXPECT_EQ(ReadBytes(album), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "cd"), fs::directory_iterator()), 1);

    // A changed file is read again, and its old copy goes.
    options.albumTool = PICTORA_ALBUM_TOOL;
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 10, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, album.c_str(), later, 0), 0);
    ASSERT_EQ(OpenError(album), 0) << message;
    EXPECT_NE(native->opened.back().path, copy);
    EXPECT_EQ(NativeRows(native->opened.back().path), FixtureRows("small"));
    EXPECT_EQ(Cached().size(), 1u);

    // Another album of the same size put in its place with the same
    // modification time, as cp -p does: read again all the same.
    const std::string rows = dir / "other.tsv";
    std::string text = ReadBytes(std::string(ACCESS_FIXTURES) + "/small.tsv");
    text.replace(text.find("Tramonto"), 8, "Tramonti");
    std::ofstream(rows, std::ios::binary) << text;
    const std::string other = dir / "other.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteRowsFile(rows, other, "--jet4"));
    ASSERT_EQ(fs::file_size(other), fs::file_size(album));
    ASSERT_EQ(utimensat(AT_FDCWD, other.c_str(), later, 0), 0);
    fs::rename(other, album);
    ASSERT_EQ(OpenError(album), 0) << message;
    EXPECT_EQ(NativeRows(native->opened.back().path).at(0).texts[0], "Tramonti sul lago");
}

TEST_F(AccessEngineTest, OpeningForWritingRaises3051WithoutReadingTheFile) {
    const std::string album = dir / "cd/database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    EXPECT_EQ(OpenError(album, false), store::err::CannotOpenForWriting);
    EXPECT_TRUE(native->opened.empty());
    EXPECT_TRUE(Cached().empty());
}

TEST_F(AccessEngineTest, OtherFilesGoToTheNativeEngineByTheirContentNotTheirName) {
    const std::string native_album = dir / "album.mdb";
    SQLite::Database(native_album, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
        .exec("CREATE TABLE datab (id INTEGER PRIMARY KEY)");
    const std::string access_album = dir / "vecchio.sqlite";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", access_album, "--jet4"));

    for (const bool readOnly : {false, true}) {
        native->opened.clear();
        EXPECT_EQ(OpenError(native_album, readOnly), 0) << message;
        ASSERT_EQ(native->opened.size(), 1u);
        EXPECT_EQ(native->opened[0].path, native_album);
        EXPECT_EQ(native->opened[0].readOnly, readOnly);
        // Missing files too: the native engine answers 3024.
        EXPECT_EQ(OpenError(dir / "manca.mdb", readOnly), store::err::FileNotFound);
    }
    EXPECT_EQ(OpenError(access_album, false), store::err::CannotOpenForWriting);
    EXPECT_EQ(OpenError(access_album, true), 0) << message;
}

TEST_F(AccessEngineTest, AFileThatIsNoAlbumOrIsDamagedOrAReaderThatFailsLeavesNoCopy) {
    TempDir fixtures;
    const std::string good = fixtures / "buono.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", good, "--jet4"));
    const std::string noTable = fixtures / "altro.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", noTable, "--jet4 --table foto"));
    const std::string truncated = fixtures / "troncato.mdb";
    std::ofstream(truncated, std::ios::binary) << ReadBytes(good).substr(0, 4096 + 100);
    const std::string cut = fixtures / "tagliato.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteDamagedAlbum(cut, Damage::CutAt60Percent));
    const std::string zeroed = fixtures / "azzerato.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteDamagedAlbum(zeroed, Damage::LastPageZeroed));

    struct Case {
        const char* what;
        std::string file;
        std::string tool;
        int number;
        std::string says = "";
    };
    const int invalid = store::err::NotValidAlbum;
    const int damaged = store::err::AlbumDamaged;
    const int general = store::err::General;
    const Case cases[] = {
        {"no datab", noTable, PICTORA_ALBUM_TOOL, invalid},
        {"truncated", truncated, PICTORA_ALBUM_TOOL, damaged},
        {"cut at 60 %", cut, PICTORA_ALBUM_TOOL, damaged},
        {"last page zeroed", zeroed, PICTORA_ALBUM_TOOL, damaged},
        // Found by the fuzzer: libmdb itself crashes on it.
        {"libmdb crashes", std::string(ACCESS_FIXTURES) + "/crashes-libmdb.mdb", PICTORA_ALBUM_TOOL,
         damaged},
        // Not the file's fault either: a reader that hangs, or a slow medium.
        {"reader hangs", good, Script("exec sleep 30"), general, "non ha finito entro 500 ms"},
        {"reader crashes", good, Script("kill -SEGV $$"), damaged},
        {"reader finds no album", good, Script("echo 'pictora-album: no' >&2; exit 4"), invalid},
        // Not the file's fault: the reader could not write its copy, or start.
        {"reader fails", good, Script("echo 'pictora-album: guasto' >&2; exit 1"), general},
        {"reader cannot start", good,
         Script("echo 'error while loading shared libraries' >&2; exit 127"), general},
        {"reader claims success", good, Script("echo Convertite 3 foto; echo @foto 3"), invalid},
        {"reader writes fewer rows", good,
         Script(std::string("\"") + PICTORA_ALBUM_TOOL +
                "\" create \"$3\" >/dev/null && echo Convertite 3 foto && echo @foto 3"),
         invalid},
        {"reader tells no count", good,
         Script(std::string("\"") + PICTORA_ALBUM_TOOL +
                "\" create \"$3\" >/dev/null && echo Convertite 0 foto"),
         invalid},
    };
    options.timeLimit = std::chrono::milliseconds(500);
    for (const Case& c : cases) {
        options.albumTool = c.tool;
        const std::string before = ReadBytes(c.file);
        EXPECT_EQ(OpenError(c.file), c.number) << c.what << ": " << message;
        EXPECT_NE(message.find(c.file), std::string::npos) << c.what << ": " << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << c.what << ": " << message;
        EXPECT_TRUE(Cached().empty()) << c.what;
        EXPECT_EQ(ReadBytes(c.file), before) << c.what;
    }
}

TEST_F(AccessEngineTest, AMissingReaderOrAnUnusableCacheFolderIsNotTheFilesFault) {
    const std::string album = dir / "cd/database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    options.albumTool = dir / "manca/pictora-album";
    EXPECT_EQ(OpenError(album), store::err::General);
    EXPECT_NE(message.find("manca il programma che legge gli album delle versioni precedenti (" +
                           options.albumTool + ")"),
              std::string::npos)
        << message;

    options.albumTool = PICTORA_ALBUM_TOOL;
    std::ofstream(dir / "file") << "x";
    options.cacheFolder = dir / "file/cache";
    EXPECT_EQ(OpenError(album), store::err::General);
    EXPECT_NE(message.find("la cartella " + options.cacheFolder + " non può essere scritta"),
              std::string::npos)
        << message;
}

// Reports its progress as the reader gives it, stops when told to, and
// reads nothing where it is asked not to.
class Observer final : public store::ConversionObserver {
public:
    bool Advance(std::int64_t done, std::int64_t total) override {
        figures.emplace_back(done, total);
        return figures.size() < stopAt;
    }
    std::vector<std::pair<std::int64_t, std::int64_t>> figures;
    std::size_t stopAt = SIZE_MAX;
};

TEST_F(AccessEngineTest, TheReadingReportsItsProgressAndCanBeStopped) {
    const std::string album = dir / "cd/database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    Observer observer;
    {
        const store::ConversionScope none(nullptr);
        EXPECT_EQ(OpenError(album), store::err::General);
        EXPECT_TRUE(native->opened.empty());
    }

    // A reader that says how far it is, then waits to be stopped.
    options.albumTool = Script("echo '@avanzamento 5 10'; echo ciao; exec sleep 30");
    observer.stopAt = 3;
    {
        const store::ConversionScope scope(&observer);
        EXPECT_EQ(OpenError(album), store::err::General);
    }
    EXPECT_NE(message.find("interrotta"), std::string::npos) << message;
    ASSERT_EQ(observer.figures.size(), 3u);
    EXPECT_EQ(observer.figures.back(), std::make_pair(std::int64_t{5}, std::int64_t{10}));
    EXPECT_TRUE(Cached().empty());

    options.albumTool = PICTORA_ALBUM_TOOL;
    observer = {};
    const store::ConversionScope scope(&observer);
    ASSERT_EQ(OpenError(album), 0) << message;
    EXPECT_FALSE(observer.figures.empty());

    // A damaged file is read once while it is unchanged.
    const std::string damaged = dir / "cd/rovinato.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteDamagedAlbum(damaged, Damage::LastPageZeroed));
    const auto engine = Engine();
    for (int i = 0; i < 2; ++i) {
        observer = {};
        EXPECT_THROW(engine->Open(damaged, true), store::StoreError);
        EXPECT_EQ(observer.figures.empty(), i == 1);
    }
}

TEST_F(AccessEngineTest, ScratchFoldersOfReadingsThatWereKilledAreRemoved) {
    fs::create_directories(dir / "cache/.import-abandonato");
    std::ofstream(dir / "cache/.import-abandonato/album") << "mezzo album";
    // One a living reading holds.
    fs::create_directories(dir / "cache/.import-in-corso");
    const int held = open((dir / "cache/.import-in-corso").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    Engine();
    EXPECT_FALSE(fs::exists(dir / "cache/.import-abandonato"));
    EXPECT_TRUE(fs::exists(dir / "cache/.import-in-corso"));
    close(held);
}

// True once process `pid` has ended (or only waits to be reaped), looked at
// for at most ten seconds.
bool Ends(pid_t pid) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        if (!stat || text.substr(text.rfind(')') + 2, 1) == "Z") return true;
        usleep(20'000);
    } while (std::chrono::steady_clock::now() < limit);
    return false;
}

// The reader never outlives the program that started it, even one killed
// outright.
TEST(RunChild, TheChildEndsWithTheProgramThatStartedIt) {
    TempDir dir;
    const std::string said = dir / "pid";
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        store::RunChild(
            {"/bin/sh", "-c",
             "echo $$ > " + said + ".tmp; mv " + said + ".tmp " + said + "; exec sleep 30"},
            std::chrono::seconds(60));
        _exit(0);
    }
    pid_t child = 0;
    for (int i = 0; i < 500 && !(std::ifstream(said) >> child); ++i) usleep(20'000);
    ASSERT_GT(child, 0);
    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);
    EXPECT_TRUE(Ends(child));
}

TEST(FindAlbumTool, FindsTheToolBesideTheProgramOrInTheBuildTree) {
    TempDir dir;
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "build/src");
    fs::create_directories(dir / "build/tools/pictora-album");
    for (const std::string& tool :
         {dir / "bin/pictora-album", dir / "build/tools/pictora-album/pictora-album"}) {
        std::ofstream(tool) << "#!/bin/sh\n";
        fs::permissions(tool, fs::perms::owner_all);
    }
    EXPECT_EQ(store::FindAlbumTool(dir / "bin"), dir / "bin/pictora-album");
    EXPECT_EQ(store::FindAlbumTool(dir / "build/src"),
              dir / "build/tools/pictora-album/pictora-album");
}

}  // namespace
