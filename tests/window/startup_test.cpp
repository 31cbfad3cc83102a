// Finding and opening the album when the album window is activated.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include <functional>

#include "support/album_window_fixture.h"
#include "support/albums.h"

namespace {

const QString kPrompt =
    "Attenzione non è stato trovato il percorso del DataBase, specificare il nuovo percorso: "
    "(es. c:\\Programmi\\Pictora\\database.mdb)";

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class StartupTest : public AlbumWindowFixture {
protected:
    QString Path(const QString& name) const { return platform.Root() + "/" + name; }

    // An album of two photos whose first is `title`.
    QString Album(const QString& name, const QString& title) {
        const QString path = Path(name);
        WriteAlbum(path,
                   {{4, title, platform.Root(), "a.jpg"}, {9, "Dopo", platform.Root(), "b.jpg"}});
        return path;
    }
};

TEST_F(StartupTest, DefaultAlbumComesFirstAndPathdbIsLeftAlone) {
    Album("data/Pictora/database.mdb", "Usuale");
    const QString other = Album("other.mdb", "Altro");
    WriteFile(platform.PathdbPath(), other.toUtf8() + "\r\n");

    module.OpenAlbum();

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Usuale");
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "4");
    EXPECT_EQ(Module1Probe::DatabasePath(module), platform.DefaultAlbumPath());
    EXPECT_EQ(ReadAll(platform.PathdbPath()), other.toUtf8() + "\r\n");
    EXPECT_TRUE(Control<Picture>(form, "Image6").Enabled());
}

TEST_F(StartupTest, PathdbNamingAnAlbumOpensItWithoutAsking) {
    const QString other = Album("other.mdb", "Altro");
    WriteFile(platform.PathdbPath(), other.toUtf8() + "\r\n");
    module.OpenAlbum();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Altro");

    // A line ended by LF alone reads the same.
    WriteFile(platform.PathdbPath(), other.toUtf8() + "\n");
    module.OpenAlbum();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Altro");
}

TEST_F(StartupTest, NoPathdbAsksOnceAndRemembersTheAnswer) {
    const QString album = Album("mio album è qui.mdb", "Mio");
    dialogs.Type(album);
    module.OpenAlbum();
    EXPECT_EQ(dialogs.Inputs(), QStringList{kPrompt});
    EXPECT_EQ(ReadAll(platform.PathdbPath()), album.toUtf8() + "\r\n");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Mio");
}

TEST_F(StartupTest, WrongAnswersAndCancelAskAgainAndPathdbKeepsTheLast) {
    const QString album = Album("album.mdb", "Mio");
    WriteFile(platform.PathdbPath(), Path("sparito.mdb").toUtf8() + "\r\n");

    // Cancel is an empty answer; a folder is no file.
    dialogs.Type(Path("nessuno.mdb")).Cancel().Type(platform.Root());
    dialogs.Type(album);
    module.OpenAlbum();

    EXPECT_EQ(dialogs.Inputs().size(), 4);
    EXPECT_EQ(dialogs.Messages().size(), 0);
    EXPECT_EQ(ReadAll(platform.PathdbPath()), album.toUtf8() + "\r\n");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Mio");
}

TEST_F(StartupTest, CancelWritesAnEmptyLineAndAsksAgain) {
    const QString album = Album("album.mdb", "Mio");
    QByteArrayList pathdbWhileAsked;
    dialogs.whileShown = [&](const ScriptedDialogs::Shown&) {
        pathdbWhileAsked << ReadAll(platform.PathdbPath());
    };
    dialogs.Cancel().Type(album);
    module.OpenAlbum();
    // While the second prompt is open, "pathdb" holds the empty answer.
    ASSERT_EQ(pathdbWhileAsked.size(), 2);
    EXPECT_EQ(pathdbWhileAsked[1], "\r\n");
    EXPECT_EQ(ReadAll(platform.PathdbPath()), album.toUtf8() + "\r\n");

    // An empty "pathdb" reads as an empty path: the prompt follows.
    WriteFile(platform.PathdbPath(), "");
    dialogs.Clear();
    dialogs.whileShown = nullptr;
    dialogs.Type(album);
    module.OpenAlbum();
    EXPECT_EQ(dialogs.Inputs().size(), 1);
}

TEST_F(StartupTest, ReadOnlyAlbumOpensWithTheAddButtonDisabled) {
    const QString album = Album("data/Pictora/database.mdb", "Protetto");
    QFile::setPermissions(album, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    module.OpenAlbum();

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_FALSE(Control<Picture>(form, "Image6").Enabled());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Protetto");

    // A click on the disabled add button starts nothing.
    Control<Picture>(form, "Image6").show();
    QTest::mouseClick(&Control<Picture>(form, "Image6"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown.empty());

    // The next opening of a writable album enables it again.
    QFile::setPermissions(album, QFile::ReadOwner | QFile::WriteOwner);
    module.OpenAlbum();
    EXPECT_FALSE(module.ReadOnly());
    EXPECT_TRUE(Control<Picture>(form, "Image6").Enabled());
}

// A usual album that is no album, or a damaged one: told, then another is
// asked for; the file is left as it was.
TEST_F(StartupTest, AFileThatIsNoAlbumOrIsDamagedIsReportedThenTheUserIsAsked) {
    const QString usual = platform.DefaultAlbumPath();
    const struct {
        const char* name;
        std::function<void()> write;
        QString told;
    } cases[] = {
        {"no album", [&] { WriteFile(usual, "non sono un album\n"); }, "File non valido"},
        {"damaged page",
         [&] {
             Album("data/Pictora/database.mdb", "Usuale");
             DamageTablePage(usual);
         },
         "Il DataBase " + usual + " è danneggiato e non può essere aperto ("},
    };
    const QString album = Album("album.mdb", "Buono");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(usual);
        c.write();
        const QByteArray before = ReadAll(usual);
        dialogs.Clear();
        dialogs.Type(album);

        module.OpenAlbum();

        ASSERT_EQ(dialogs.shown.size(), 2u);
        EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::Message);
        EXPECT_TRUE(dialogs.shown[0].prompt.startsWith(c.told))
            << dialogs.shown[0].prompt.toStdString();
        EXPECT_EQ(dialogs.shown[1].prompt, kPrompt);
        EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Buono");
        EXPECT_EQ(ReadAll(usual), before);
    }
}

// An album whose last write was cut short, or with a log of writes not yet
// in the file, in a folder that may not be written: read as it was last
// committed, from a working copy made once, its own files left as they were.
TEST_F(StartupTest, AnAlbumCutShortInAFolderThatMayNotBeWrittenIsReadAsCommitted) {
    const PhotoRow first{4, "Prima", platform.Root(), "a.jpg"};
    const struct {
        const char* name;
        std::function<void(const QString&)> write;
        const char* beside;
        QString title;
    } cases[] = {
        {"journal", [&](const QString& album) { WriteCutShortAlbum(album, {first}); }, "-journal",
         "Prima"},
        {"log",
         [&](const QString& album) {
             WriteAlbum(album + ".scritto", {first});
             SQLite::Database writer((album + ".scritto").toStdString(), SQLite::OPEN_READWRITE);
             writer.exec("PRAGMA journal_mode = WAL");
             writer.exec("PRAGMA wal_autocheckpoint = 0");
             writer.exec("UPDATE datab SET titolo = 'Dal registro'");
             QFile::copy(album + ".scritto", album);
             QFile::copy(album + ".scritto-wal", album + "-wal");
         },
         "-wal", "Dal registro"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = Path(QString("sola lettura ") + c.name);
        QDir().mkpath(folder);
        const QString album = folder + "/database.mdb";
        c.write(album);
        QFile::remove(album + ".scritto");
        const QByteArray before = ReadAll(album) + ReadAll(album + c.beside);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        WriteFile(platform.PathdbPath(), album.toUtf8() + "\r\n");
        std::vector<ino_t> copies;
        for (int i = 0; i < 2; ++i) {
            module.OpenAlbum();
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_TRUE(module.ReadOnly());
            EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), c.title);
            struct stat copy {};
            EXPECT_EQ(stat(QFile::encodeName(platform.RolledBackCopyPath()).constData(), &copy), 0);
            copies.push_back(copy.st_ino);
        }
        EXPECT_EQ(copies[0], copies[1]) << "made anew though nothing changed";
        EXPECT_EQ(ReadAll(album) + ReadAll(album + c.beside), before);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(StartupTest, EmptyAlbumOpensWithEmptyFields) {
    WriteAlbum(platform.DefaultAlbumPath(), {});
    module.OpenAlbum();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(Data1().Recordset().Bof());
    EXPECT_TRUE(Data1().Recordset().Eof());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "");
    EXPECT_EQ(Control<LongLineBox>(form, "Text7").text(), "");
}

}  // namespace

namespace {

// A FIFO named "pathdb" would wait for a writer: it is taken as no "pathdb",
// the prompt asks for the album, and the answer is not written into it.
TEST_F(StartupTest, APathdbThatIsNoFileIsNeitherReadNorWritten) {
    ASSERT_EQ(mkfifo(QFile::encodeName(platform.PathdbPath()).constData(), 0600), 0);
    const QString album = Album("other.mdb", "Altro");
    dialogs.Type(album);
    module.OpenAlbum();
    EXPECT_EQ(dialogs.Inputs().size(), 1);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Altro");
}

}  // namespace
