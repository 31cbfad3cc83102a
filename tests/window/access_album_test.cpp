// Albums in the Access format of the earlier versions, in the album window:
// shown read-only like any album that may not be written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <fstream>

#include "access/access_fixtures.h"
#include "photo_list/form3.h"
#include "store/access_engine.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"

namespace {

const char* const kTitle = "Perché è così bello? — Città";
const QString kNotValid = "File non valido";

// `text` as a field of a rows file: tabs, line breaks and backslashes escaped.
std::string Field(const QString& text) {
    std::string out;
    for (char c : text.toStdString())
        out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : std::string(1, c);
    return out;
}

class AccessAlbumWindowTest : public AlbumWindowFixture {
protected:
    AccessAlbumWindowTest() : AlbumWindowFixture(Albums::AccessToo) {}
    void SetUp() override {
        foto = platform.Root() + "/foto";
        QDir().mkpath(foto);
        WritePicture(foto + "/uno.bmp", 40, 30, Qt::red);
        WritePicture(foto + "/due.bmp", 40, 30, Qt::green);
        WritePicture(foto + "/tre.bmp", 40, 30, Qt::blue);
        rows = {{2, kTitle, foto, "uno.bmp", "14/02/01", "Città di Castello", "Niccolò",
                 "Più gente del solito.\nSeconda riga"},
                {5, "Il porto", foto, "due.bmp"},
                {9, "Vendemmia", foto, "tre.bmp"}};
    }
    void TearDown() override { EXPECT_EQ(dialogs.Pending(), 0) << "answers left unused"; }

    // Writes `rows` as an Access-format album at `path`, read back first by
    // mdbtools.
    void WriteAccess(const QString& path, const std::string& options = "--jet4") {
        const std::string tsv = (platform.Root() + "/rows.tsv").toStdString();
        std::ofstream out(tsv, std::ios::binary);
        for (const PhotoRow& r : rows) {
            out << r.id;
            for (const QString& text :
                 {r.titolo, r.data_scatto, r.luogo, r.persone, r.note, r.file, r.folder})
                out << '\t' << Field(text);
            out << '\n';
        }
        out.close();
        access_test::WriteRowsFile(tsv, path.toStdString(), options);
    }

    void Expect(const char* id, const QString& title, Qt::GlobalColor color) {
        EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), id);
        EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), title);
        EXPECT_EQ(Shown(), QColor(color).rgb()) << "photo " << id;
    }
    QString Copy() const {
        const QStringList copies = QDir(platform.AccessCacheFolder()).entryList(QDir::Files);
        return copies.size() == 1 ? platform.AccessCacheFolder() + "/" + copies[0] : QString();
    }

    std::vector<PhotoRow> rows;
    QString foto;
};

TEST_F(AccessAlbumWindowTest, TheUsualAlbumOpensReadOnlyAndItsCommandsWork) {
    for (const char* format : {"--jet3", "--jet4"}) {
        SCOPED_TRACE(format);
        QFile::remove(platform.DefaultAlbumPath());
        WriteAccess(platform.DefaultAlbumPath(), format);
        const std::string before =
            access_test::ReadBytes(platform.DefaultAlbumPath().toStdString());
        module.OpenAlbum();

        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_TRUE(module.ReadOnly());
        EXPECT_FALSE(Control<Picture>(form, "Image6").Enabled());
        Expect("2", kTitle, Qt::red);
        EXPECT_EQ(Control<LongLineBox>(form, "Text3").text(), "14/02/01");
        EXPECT_EQ(Control<LongLineBox>(form, "Text4").text(), "Città di Castello");
        EXPECT_EQ(Control<LongTextBox>(form, "Text5").toPlainText(), "Niccolò");
        EXPECT_EQ(Control<LongTextBox>(form, "Text6").toPlainText(),
                  "Più gente del solito.\nSeconda riga");

        Click(form, "Image5");
        Expect("5", "Il porto", Qt::green);
        Click(form, "Image10");
        Expect("9", "Vendemmia", Qt::blue);
        dialogs.Type("5");
        Click(form, "Image4");
        Expect("5", "Il porto", Qt::green);
        Click(form, "Image9");
        Expect("2", kTitle, Qt::red);

        // The add button starts nothing, and a delete is refused.
        Control<Picture>(form, "Image6").show();
        QTest::mouseClick(&Control<Picture>(form, "Image6"), Qt::LeftButton);
        EXPECT_TRUE(dialogs.Questions().isEmpty());
        dialogs.Yes();
        Click(form, "Image12");
        EXPECT_EQ(dialogs.Messages(),
                  QStringList{"Il DataBase è di sola lettura: la foto non è stata eliminata."});
        Expect("2", kTitle, Qt::red);
        EXPECT_TRUE(access_test::ReadBytes(platform.DefaultAlbumPath().toStdString()) == before)
            << "the album file was changed";
        dialogs.Clear();
        // F2 unlocks no field, and says why.
        Control<LongLineBox>(form, "Text2").setFocus();
        QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_F2);
        EXPECT_TRUE(Control<LongLineBox>(form, "Text2").isReadOnly());
        EXPECT_EQ(dialogs.Messages(), QStringList{"Il DataBase è di sola lettura perché è nel "
                                                  "formato delle versioni precedenti: la foto "
                                                  "non si può modificare."});
        dialogs.Clear();
    }
}

TEST_F(AccessAlbumWindowTest, ReopeningAtEachActivationReusesTheCopy) {
    WriteAccess(platform.DefaultAlbumPath());
    module.OpenAlbum();
    const QString copy = Copy();
    ASSERT_FALSE(copy.isEmpty());
    struct stat first {};
    ASSERT_EQ(stat(QFile::encodeName(copy).constData(), &first), 0);

    for (int i = 0; i < 3; ++i) {
        Click(form, "Image10");
        module.Activate();
        Expect("2", kTitle, Qt::red);
    }
    struct stat later {};
    ASSERT_EQ(Copy(), copy);
    ASSERT_EQ(stat(QFile::encodeName(copy).constData(), &later), 0);
    EXPECT_EQ(later.st_ino, first.st_ino);
    EXPECT_EQ(later.st_mtim.tv_nsec, first.st_mtim.tv_nsec);
    EXPECT_EQ(later.st_mtim.tv_sec, first.st_mtim.tv_sec);
}

TEST_F(AccessAlbumWindowTest, AFileWithoutTheAlbumIsNotValidAndTheUserIsAskedAgain) {
    const QString native = platform.Root() + "/nativo.mdb";
    WriteAlbum(native, {{7, "Nativo", foto, "due.bmp"}});
    QFile::remove(platform.DefaultAlbumPath());
    WriteAccess(platform.DefaultAlbumPath(), "--jet4 --table foto");
    dialogs.Type(native);
    module.OpenAlbum();
    EXPECT_EQ(dialogs.Messages(), QStringList{kNotValid});
    EXPECT_EQ(dialogs.Inputs().size(), 1);
    EXPECT_FALSE(module.ReadOnly());
    EXPECT_TRUE(Control<Picture>(form, "Image6").Enabled());
    Expect("7", "Nativo", Qt::green);
}

TEST_F(AccessAlbumWindowTest, AddingAFolderSaysToConvertTheAlbumFirst) {
    WriteAccess(platform.DefaultAlbumPath());
    module.OpenAlbum();
    module.AddPictures({foto});
    EXPECT_EQ(dialogs.Messages(),
              QStringList{"Il DataBase è di sola lettura perché è nel formato delle versioni "
                          "precedenti: le foto non sono state aggiunte. Convertirlo prima in un "
                          "album nuovo con \"pictora-album import " +
                          platform.DefaultAlbumPath() + " NUOVO\" e aggiungere le foto a quello."});
    EXPECT_FALSE(module.AddingPictures());
}

// A damaged album, a cache folder that cannot be written, a reading stopped
// by the user: the cause is told, then another album is asked for, as after
// a file that is no album; the one named is shown.
TEST_F(AccessAlbumWindowTest, WhatKeepsAnAlbumFromBeingReadIsToldThenAnotherIsAskedFor) {
    const QString album = platform.Root() + "/vecchio.mdb";
    const QByteArray pathdb = album.toUtf8() + "\r\n";
    const QString native = platform.Root() + "/nativo.mdb";
    WriteAlbum(native, {{7, "Nativo", foto, "due.bmp"}});
    const QString cache = platform.AccessCacheFolder();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        QString told;
    };
    const std::vector<Case> cases = {
        {"cut at 60 %",
         [&] {
             access_test::WriteDamagedAlbum(album.toStdString(),
                                            access_test::Damage::CutAt60Percent);
         },
         "Il DataBase " + album + " è danneggiato e non può essere aperto ('" + album + "': "},
        {"last page zeroed",
         [&] {
             access_test::WriteDamagedAlbum(album.toStdString(),
                                            access_test::Damage::LastPageZeroed);
         },
         "Il DataBase " + album + " è danneggiato e non può essere aperto ('" + album + "': "},
        {"libmdb crashes",
         [&] { QFile::copy(QString(ACCESS_FIXTURES) + "/crashes-libmdb.mdb", album); },
         "Il DataBase " + album + " è danneggiato e non può essere aperto ('" + album + "': "},
        {"cache folder is a file",
         [&] {
             WriteAccess(album);
             QDir().mkpath(QFileInfo(cache).path());
             QFile file(cache);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         },
         "Impossibile aprire il DataBase " + album + ": la cartella " + cache +
             " non può essere scritta: "},
        {"stopped",
         [&] {
             WriteAccess(album);
             dialogs.StopProgressAfter(0);
         },
         "Impossibile aprire il DataBase " + album + ": la lettura dell'album è stata interrotta."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(album);
        QDir(cache).removeRecursively();
        QFile::remove(cache);
        c.prepare();
        QFile file(platform.PathdbPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(pathdb);
        file.close();

        dialogs.Type(native);
        module.OpenAlbum();
        ASSERT_EQ(dialogs.Messages().size(), 1);
        EXPECT_TRUE(dialogs.Messages()[0].startsWith(c.told))
            << dialogs.Messages()[0].toStdString();
        EXPECT_EQ(dialogs.Inputs().size(), 1);
        Expect("7", "Nativo", Qt::green);
        EXPECT_EQ(access_test::ReadBytes(platform.PathdbPath().toStdString()),
                  native.toStdString() + "\r\n");
        dialogs.Clear();
    }
}

// The album is read once, when it is opened, and the reading shows its
// progress; the first picture is not read ahead from an album not yet read.
TEST_F(AccessAlbumWindowTest, TheAlbumIsReadOnceWhenOpenedWithItsProgressShown) {
    WriteAccess(platform.DefaultAlbumPath());
    EXPECT_TRUE(module.StartupPicturePath().isEmpty());
    EXPECT_TRUE(Copy().isEmpty());
    module.OpenAlbum();
    ASSERT_EQ(dialogs.progress.size(), 1u);
    EXPECT_EQ(dialogs.progress[0].label, "Lettura dell'album in corso…");
    EXPECT_FALSE(Copy().isEmpty());
    Expect("2", kTitle, Qt::red);
    EXPECT_EQ(module.StartupPicturePath(), foto + "/uno.bmp");
}

TEST_F(AccessAlbumWindowTest, TheCdSwitchShowsAnAccessAlbumAndReturns) {
    WriteAlbum(platform.DefaultAlbumPath(), {{1, "Usuale", foto, "uno.bmp"}});
    module.OpenAlbum();
    // A CD: the album at its root, write-protected, the pictures under \Foto.
    const QString cd = platform.Root() + "/cd";
    QDir().mkpath(cd + "/Foto");
    WritePicture(cd + "/Foto/tramonto.jpg", 40, 30, Qt::yellow);
    access_test::WriteFixture("small", (cd + "/database.mdb").toStdString(), "--jet3");
    QFile::setPermissions(cd + "/database.mdb", QFile::ReadOwner);
    platform.roots[cd] = cd;

    // Its reading shows the progress box; stopped, it is not read again.
    dialogs.Type(cd + "/database.mdb").StopProgressAfter(0);
    Click(form, "Image7");
    EXPECT_EQ(dialogs.progress.size(), 1u);
    ASSERT_EQ(dialogs.Messages().size(), 1);
    EXPECT_TRUE(dialogs.Messages()[0].startsWith("Impossibile aprire il DataBase su CD: "));
    EXPECT_FALSE(Module1Probe::CdMode(module));
    Expect("1", "Usuale", Qt::red);

    dialogs.Clear();
    dialogs.Type(cd + "/database.mdb");
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(dialogs.progress.size(), 1u);
    EXPECT_TRUE(Module1Probe::CdMode(module));
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_FALSE(Control<Picture>(form, "Image6").Enabled());
    Expect("1", "Tramonto sul lago", Qt::yellow);
    Click(form, "Image10");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Vendemmia");

    // The way back asks nothing: the copy is not one left write-protected.
    dialogs.Clear();
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(Module1Probe::CdMode(module));
    EXPECT_FALSE(module.ReadOnly());
    EXPECT_TRUE(Control<Picture>(form, "Image6").Enabled());
    Expect("1", "Usuale", Qt::red);
}

TEST_F(AccessAlbumWindowTest, ThePhotoListListsItAndAPickShowsThePhoto) {
    WriteAccess(platform.DefaultAlbumPath());
    module.OpenAlbum();
    Click(form, "Image1");
    Form3* list = Form1Probe::PhotoList(form);
    ASSERT_TRUE(list && list->isVisible());
    QAbstractItemModel* model = Control<QListView>(*list, "List1").model();
    QStringList entries;
    for (int row = 0; row < model->rowCount(); ++row)
        entries << model->index(row, 0).data().toString();
    EXPECT_EQ(entries, QStringList({QString("2 ") + kTitle, "5 Il porto", "9 Vendemmia"}));

    const QRect entry = Control<QListView>(*list, "List1").visualRect(model->index(2, 0));
    QTest::mouseClick(Control<QListView>(*list, "List1").viewport(), Qt::LeftButton, {},
                      entry.center());
    Expect("9", "Vendemmia", Qt::blue);
    EXPECT_TRUE(module.ReadOnly());
}

}  // namespace

namespace {

TEST_F(AccessAlbumWindowTest, IsSearchedByItsWordsWithTheFileLeftAsItWas) {
    WriteAccess(platform.DefaultAlbumPath());
    const std::string before = access_test::ReadBytes(platform.DefaultAlbumPath().toStdString());
    module.OpenAlbum();
    module.PrepareSearch();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !module.SearchBuilding(); }, 20000));
    EXPECT_TRUE(module.SearchError().isEmpty()) << module.SearchError().toStdString();

    auto found = module.FindPhotos("citta NICCOLO");
    ASSERT_TRUE(found);
    ASSERT_EQ(found->Count(), 1);
    EXPECT_EQ(found->At(0)->id.toText(), "2");
    EXPECT_EQ(found->At(0)->titolo, kTitle);
    EXPECT_EQ(module.FindPhotos("porto")->Count(), 1);
    EXPECT_EQ(QDir(platform.SearchIndexFolder()).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(access_test::ReadBytes(platform.DefaultAlbumPath().toStdString()) == before);
}

}  // namespace
