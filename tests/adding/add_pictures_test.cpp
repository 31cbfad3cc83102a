// Many photos added at once: the walk, the order, the fields in the rows,
// the pictures already in the album, stops and refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <limits>
#include <tuple>

#include "adding_test_support.h"

namespace fs = std::filesystem;
using namespace adding_test;
using adding::Phase;
using metadata_test::Tags;
using store_test::TempDir;

namespace {

// The texts a picture carries.
struct Fields {
    std::string titolo{}, data_scatto{}, luogo{}, persone{}, note{};
};

// A row's texts as an addition writes them: the fields, the picture's place.
store::PhotoTexts Placed(const Fields& f, const std::string& path) {
    return {f.titolo,
            f.data_scatto,
            f.luogo,
            f.persone,
            f.note,
            fs::path(path).filename(),
            fs::path(path).parent_path()};
}

struct Picture {
    const char* file;
    Tags tags;  // a BMP when the name ends in ".bmp"
    Fields fields;
};

TEST(AddPictures, NumbersByMomentTakenThenPathAndWritesTheFieldsRead) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    store_test::MakeAlbum(album, {1, 7});
    fs::create_directories(dir / "foto/sotto");
    // In the order they must be numbered; the files' names say otherwise.
    const Picture pictures[] = {
        {"foto/sotto/natale.jpg",
         {.xmp = "<photoshop:DateCreated>1998-12-25T10:30:00+01:00</photoshop:DateCreated>"
                 "<Iptc4xmpExt:PersonInImage><rdf:Bag><rdf:li>Anna</rdf:li>"
                 "<rdf:li>Bruno</rdf:li></rdf:Bag></Iptc4xmpExt:PersonInImage>"},
         {.data_scatto = "25/12/98", .persone = "Anna, Bruno"}},
        {"foto/z.jpg",
         {.exif = {{"Exif.Photo.DateTimeOriginal", "2001:02:03 10:00:00"}}},
         {.data_scatto = "03/02/01"}},
        {"foto/mattina.jpg",
         {.exif = {{"Exif.Photo.DateTimeOriginal", "2016:08:14 09:00:00"}}},
         {.data_scatto = "14/08/16"}},
        {"foto/b.jpg",
         {.exif = {{"Exif.Photo.DateTimeOriginal", "2016:08:14 18:02:11"}},
          .iptc = {{"Iptc.Application2.ObjectName", "Tramonto"},
                   {"Iptc.Application2.Caption", "Dal ponte"}}},
         {.titolo = "Tramonto", .data_scatto = "14/08/16", .note = "Dal ponte"}},
        {"foto/a.jpg", {}, {}},
        {"foto/firenze.jpg",
         {.exif = {{"Exif.GPSInfo.GPSLatitude", "43/1 46/1 2858/100"},
                   {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                   {"Exif.GPSInfo.GPSLongitude", "11/1 15/1 2301/100"},
                   {"Exif.GPSInfo.GPSLongitudeRef", "E"}}},
         {.luogo = "Firenze, Toscana"}},
        {"foto/piazza.bmp", {}, {}},
    };
    std::vector<Row> expected = RowsOf(album);
    std::int64_t number = 8;
    for (const Picture& picture : pictures) {
        const std::string path = dir / picture.file;
        if (path.ends_with(".bmp"))
            WriteBmp(path);
        else
            metadata_test::WritePhoto(path, picture.tags);
        expected.push_back({number++, Placed(picture.fields, path)});
    }
    metadata_test::WriteFile(dir / "foto/leggimi.txt", "non è una foto");

    const adding::Result result = AddTo(album, {dir / "foto"});
    EXPECT_EQ(result.added, 7);
    EXPECT_EQ(result.notPictures, 1);
    EXPECT_EQ(result.firstNumber, store::Value(std::int64_t{8}));
    EXPECT_EQ(result.lastNumber, store::Value(std::int64_t{14}));
    EXPECT_EQ(RowsOf(album), expected);
}

TEST(AddPictures, LeavesOutWhatTheAlbumHoldsHoweverItsFolderIsWritten) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    store::CreateAlbum(album);
    fs::create_directories(dir / "foto");
    const std::string folder = dir / "foto";
    std::string backslashed = folder;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    // The name each form of the folder is stored with, as another program
    // or an older version may have written it.
    const std::pair<std::string, std::string> stored[] = {{folder, "a.jpg"},
                                                          {folder + "/", "b.jpg"},
                                                          {backslashed, "c.jpg"},
                                                          {dir.str() + "/./foto/../foto", "d.jpg"}};
    {
        const auto engine = store::MakeSqliteEngine();
        const auto opened = engine->Open(album, false);
        for (const auto& [where, name] : stored)
            opened->InsertPhoto({"", "", "", "", "", name, where});
    }
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"})
        WriteTaken(dir / ("foto/" + std::string(name)), "2020:01:01 10:00:00");

    adding::Result result = AddTo(album, {folder});
    EXPECT_EQ(result.added, 2);
    EXPECT_EQ(result.already, 4);
    result = AddTo(album, {folder, folder + "/e.jpg", "/" + folder + "/"});
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(result.already, 7) << "a file named twice is one picture";
    EXPECT_EQ(RowsOf(album).size(), 6u);
}

TEST(AddPictures, WalksPastFifosLinksAndWhatCannotBeReadNamingIt) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    store::CreateAlbum(album);
    const std::string top = dir / "cartella";
    fs::create_directories(top + "/chiusa");
    metadata_test::WritePhoto(top + "/foto.jpg", {});
    metadata_test::WritePhoto(top + "/chiusa/dentro.jpg", {});
    metadata_test::WriteFile(top + "/testo.jpg", "testo");
    ASSERT_EQ(mkfifo((top + "/fifo.jpg").c_str(), 0644), 0);
    fs::create_symlink(".", top + "/cerchio");
    fs::create_symlink("foto.jpg", top + "/a_collegamento.jpg");
    fs::create_symlink("manca.jpg", top + "/rotto.jpg");
    fs::create_symlink("se_stesso", top + "/se_stesso");
    ASSERT_EQ(chmod((top + "/chiusa").c_str(), 0), 0);
    // Root lists any folder: then the closed one is walked like the others.
    const bool closed = access((top + "/chiusa").c_str(), R_OK) != 0;

    const adding::Result result = AddTo(album, {top, top + "/fifo.jpg", dir / "manca"});
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.added, closed ? 1 : 2);
    EXPECT_EQ(result.already, 1) << "the link to foto.jpg";
    EXPECT_EQ(result.notPictures, 3) << "testo.jpg and the FIFO, met twice";
    std::vector<std::string> unreadable;
    for (const adding::Unreadable& file : result.firstUnreadable) unreadable.push_back(file.path);
    std::vector<std::string> expected = {top + "/rotto.jpg", top + "/se_stesso", dir / "manca"};
    if (closed) expected.insert(expected.begin() + 2, top + "/chiusa");
    EXPECT_EQ(unreadable, expected);
    EXPECT_EQ(result.unreadable, static_cast<std::int64_t>(expected.size()));
    std::vector<std::string> names;
    for (const auto& [id, texts] : RowsOf(album)) names.push_back(texts.nome_file);
    EXPECT_EQ(names.back(), "foto.jpg") << "by its own name, not the link's";
}

// Twelve photos, a day apart, named against their order.
std::vector<store::PhotoTexts> TwelveDays(const TempDir& dir) {
    fs::create_directories(dir / "foto");
    std::vector<store::PhotoTexts> rows;
    for (int day = 1; day <= 12; ++day) {
        const std::string path = dir / ("foto/" + std::to_string(100 - day) + ".jpg");
        char taken[32];
        std::snprintf(taken, sizeof taken, "2020:03:%02d 12:00:00", day);
        WriteTaken(path, taken);
        char shown[16];
        std::snprintf(shown, sizeof shown, "%02d/03/20", day);
        rows.push_back(Placed({.data_scatto = shown}, path));
    }
    return rows;
}

TEST(AddPictures, AStopKeepsWholeBatchesAndTheSameAdditionAgainAddsTheRest) {
    const std::tuple<Phase, std::int64_t, std::int64_t> stops[] = {{Phase::Walking, 3, 0},
                                                                   {Phase::Reading, 3, 0},
                                                                   {Phase::Adding, 5, 5},
                                                                   {Phase::Adding, 10, 10}};
    for (const auto& [phase, after, kept] : stops) {
        SCOPED_TRACE(testing::Message() << "phase " << int(phase) << " after " << after);
        TempDir dir;
        const std::string album = dir / "album.mdb";
        store::CreateAlbum(album);
        const std::vector<store::PhotoTexts> days = TwelveDays(dir);
        std::atomic<bool> cancel{false};
        adding::Options options;
        options.batch = 5;
        options.cancel = &cancel;
        options.progress = [&, phase = phase, after = after](Phase now, std::int64_t done,
                                                             std::int64_t) {
            if (now == phase && done >= after) cancel = true;
        };
        adding::Result result = AddTo(album, {dir / "foto"}, options);
        EXPECT_TRUE(result.cancelled);
        EXPECT_EQ(result.added, kept);
        std::vector<Row> whole;
        for (std::size_t i = 0; i < days.size(); ++i)
            whole.push_back({static_cast<std::int64_t>(i + 1), days[i]});
        EXPECT_EQ(RowsOf(album), std::vector<Row>(whole.begin(), whole.begin() + kept));

        result = AddTo(album, {dir / "foto"}, {.batch = 5});
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(result.added, 12 - kept);
        EXPECT_EQ(result.already, kept);
        EXPECT_EQ(RowsOf(album), whole);
    }
}

TEST(AddPictures, ABatchTheAlbumRefusesWritesNothingOfItself) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max() - 3;
    store_test::MakeAlbum(album, {highest});
    TwelveDays(dir);
    const adding::Result result = AddTo(album, {dir / "foto"}, {.batch = 2});
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->number(), store::err::NumberRangeFull);
    EXPECT_EQ(result.added, 2);
    EXPECT_EQ(store_test::IdsInFile(album), (store_test::Ids{highest, highest + 1, highest + 2}));
}

TEST(AddPictures, AnAlbumThatMayNotBeWrittenRefusesAndStaysAsItWas) {
    const std::string accessHead =
        std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(20, '\0');
    const std::tuple<const char*, std::function<void(const std::string&)>, int, const char*>
        albums[] = {
            {"read-only",
             [](const std::string& path) {
                 store_test::MakeAlbum(path, {1});
                 chmod(path.c_str(), 0444);
             },
             store::err::CannotOpenForWriting, ""},
            {"Access format",
             [&](const std::string& path) { metadata_test::WriteFile(path, accessHead); },
             store::err::CannotOpenForWriting, "pictora-album import"},
            {"no album", [](const std::string& path) { metadata_test::WriteFile(path, "x"); },
             store::err::NotValidAlbum, ""},
            {"missing", [](const std::string&) {}, store::err::FileNotFound, ""}};
    for (const auto& [what, make, number, says] : albums) {
        SCOPED_TRACE(what);
        TempDir dir;
        const std::string album = dir / "album.mdb";
        make(album);
        fs::create_directories(dir / "foto");
        WriteTaken(dir / "foto/a.jpg", "2020:01:01 10:00:00");
        const std::string before = store_test::ReadBytes(album);
        try {
            AddTo(album, {dir / "foto"});
            ADD_FAILURE() << "no refusal";
        } catch (const store::StoreError& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
        EXPECT_EQ(store_test::ReadBytes(album), before);
    }
}

TEST(Summary, SaysWhatWasDoneInItalian) {
    const std::pair<adding::Result, const char*> cases[] = {
        {{.added = 1234, .already = 12, .unreadable = 3},
         "Aggiunte 1.234 foto; 12 già nell'album; 3 non leggibili"},
        {{.added = 1, .already = 1, .unreadable = 1, .notPictures = 1},
         "Aggiunta 1 foto; 1 già nell'album; 1 non leggibile; 1 file non è un'immagine"},
        {{.notPictures = 1000000}, "Nessuna foto aggiunta; 1.000.000 file non sono immagini"},
        {{.added = 500, .cancelled = true}, "Aggiunta interrotta: aggiunte 500 foto"},
        {{.added = 999}, "Aggiunte 999 foto"}};
    for (const auto& [result, text] : cases) EXPECT_EQ(adding::Summary(result), text);
}

}  // namespace
