// The photo list's search line: finding photos by their words, the count,
// and picking a photo found.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <functional>
#include <utility>

#include "photo_list/fitted_label.h"
#include "photo_list/form3.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "widgets/long_line_box.h"

namespace {

class SearchLineTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        WriteAlbum(platform.DefaultAlbumPath(),
                   {{3, "Natale in Città", "/foto", "a.jpg", "25/12/2003", "Milano", "Anna"},
                    {7, "Gita sull'Isola", "/foto", "b.jpg", "14/08/2004", "Elba", "Marco"},
                    {10, "Tramonto", "/foto", "c.jpg", "02/06/2005", "Cefalù", "Anna, Marco"}});
        module.OpenAlbum();
    }

    // Ctrl+F in the album window, then the list once its index is ready.
    QWidget& FindWithKeys() {
        Focus(&form);
        QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !module.SearchBuilding(); }, 20000));
        return *Form1Probe::PhotoList(form);
    }

    QString Count() { return Control<QLabel>(*Form1Probe::PhotoList(form), "SearchCount").text(); }
    QStringList Entries() { return ListEntries(*Form1Probe::PhotoList(form), "List1"); }
    void Type(const QString& words) {
        QLineEdit& line = Control<QLineEdit>(*Form1Probe::PhotoList(form), "SearchLine");
        line.clear();
        QTest::keyClicks(&line, words);
    }
};

TEST_F(SearchLineTest, CtrlFOpensTheListWithTheLineFocusedAndTypingFilters) {
    QWidget& list = FindWithKeys();
    QLineEdit& line = Control<QLineEdit>(list, "SearchLine");
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &line);
    EXPECT_EQ(line.placeholderText(), "Cerca per titolo, data, luogo, persone, note");
    EXPECT_EQ(Count(), "3 foto");
    // Down goes to the photos, onto the first.
    QTest::keyClick(&line, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), &Control<QListView>(list, "List1"));
    EXPECT_EQ(Control<QListView>(list, "List1").currentIndex().row(), 0);

    const struct {
        const char* words;
        QStringList entries;
        const char* count;
    } cases[] = {
        {"citta", {"3 Natale in Città"}, "1 foto"},
        {"ANNA", {"3 Natale in Città", "10 Tramonto"}, "2 foto"},
        {"isola", {"7 Gita sull'Isola"}, "1 foto"},
        {"anna mar", {"10 Tramonto"}, "1 foto"},
        {"\"*-NEAR", {}, "Nessuna foto trovata"},
        {"", {"3 Natale in Città", "7 Gita sull'Isola", "10 Tramonto"}, "3 foto"},
    };
    for (const auto& c : cases) {
        Type(QString::fromUtf8(c.words));
        EXPECT_EQ(Entries(), c.entries) << c.words;
        EXPECT_EQ(Count(), c.count) << c.words;
    }
}

TEST_F(SearchLineTest, PickingAFoundPhotoShowsItAndTheWordsStayForTheNextOpening) {
    FindWithKeys();
    Type("elba");
    Form3* list = Form1Probe::PhotoList(form);
    QListView& view = Control<QListView>(*list, "List1");
    const QRect entry = view.visualRect(view.model()->index(0, 0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").Text(), "7");
    EXPECT_FALSE(list->isVisible());

    // Closed (unloaded) and opened again: the words are still there.
    list->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FindWithKeys();
    EXPECT_EQ(Control<QLineEdit>(*Form1Probe::PhotoList(form), "SearchLine").text(), "elba");
    EXPECT_EQ(Entries(), QStringList({"7 Gita sull'Isola"}));
}

TEST_F(SearchLineTest, TheProgramsOwnCorrectionsAndOtherProgramsChangesAreFound) {
    FindWithKeys();
    ASSERT_TRUE(module.SavePhotoField(store::Field::Notes, "Pranzo dai nonni"));
    EXPECT_FALSE(module.SearchBuilding());  // the index follows the correction in place
    Type("nonni");
    EXPECT_EQ(Entries(), QStringList({"3 Natale in Città"}));

    ExecuteSql(Module1Probe::DatabasePath(module),
               "UPDATE datab SET luogo = 'Palermo' WHERE id = 10");
    Type("palermo");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Count() == "1 foto"; }, 20000))
        << Count().toStdString();
    EXPECT_EQ(Entries(), QStringList({"10 Tramonto"}));
}

TEST_F(SearchLineTest, CountsInItalianNumberFormat) {
    QFile::remove(platform.DefaultAlbumPath());
    WriteAlbum(platform.DefaultAlbumPath(), 1234, [](long long i) {
        return PhotoRow{i, "Foto di gruppo", "/foto", "f.jpg"};
    });
    module.OpenAlbum();
    FindWithKeys();
    Type("gruppo");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Count() == "1.234 foto"; }, 20000))
        << Count().toStdString();
}

}  // namespace

namespace {

TEST_F(SearchLineTest, WhileTheIndexIsBuiltTheListSaysSoAndShowsEveryPhoto) {
    module.KeepSearchWords("anna");
    Click(form, "Image1");
    // The build's end is told through the event loop, not yet run.
    EXPECT_TRUE(Count().startsWith("Preparazione della ricerca… ")) << Count().toStdString();
    EXPECT_EQ(Entries().size(), 3);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Count() == "2 foto"; }, 20000))
        << Count().toStdString();
    EXPECT_EQ(Entries(), QStringList({"3 Natale in Città", "10 Tramonto"}));
}

}  // namespace

namespace {

TEST_F(SearchLineTest, AnotherProgramsWriteRightAfterTheProgramsOwnIsFoundAtTheNextSearch) {
    const struct {
        const char* what;
        std::function<void(Module1&)> write;
    } cases[] = {
        {"a correction", [](Module1& m) { m.SavePhotoField(store::Field::Notes, "Nonni"); }},
        {"a deletion",
         [this](Module1& m) {
             dialogs.Yes();
             m.DeleteCurrentPhoto();
         }},
    };
    for (const auto& c : cases) {
        FindWithKeys();
        // Another program writes between this program's save and what the
        // index records of the album after it.
        bool armed = true;
        const int listener = Data1().AddListener([&](const store::Photo*) {
            if (!std::exchange(armed, false)) return;
            ExecuteSql(Module1Probe::DatabasePath(module),
                       "UPDATE datab SET luogo = 'Zanzibar' WHERE id = 10");
        });
        c.write(module);
        Data1().RemoveListener(listener);
        Type("zanzibar");
        EXPECT_TRUE(QTest::qWaitFor([this] { return Count() == "1 foto"; }, 20000))
            << c.what << ": " << Count().toStdString();
        ExecuteSql(Module1Probe::DatabasePath(module),
                   "UPDATE datab SET luogo = 'Cefalù' WHERE id = 10");
    }
}

TEST_F(SearchLineTest, AnAlbumNumberingPhotosAlikeIsSearchedWhole) {
    ExecuteSql(platform.DefaultAlbumPath(),
               "CREATE TABLE copia AS SELECT * FROM datab; DROP TABLE datab;"
               " CREATE TABLE datab AS SELECT * FROM copia; DROP TABLE copia;"
               " INSERT INTO datab (id, titolo) VALUES (7, 'Natale al mare'), (2.5, 'Natale')");
    module.OpenAlbum();
    FindWithKeys();
    Type("natale");
    EXPECT_EQ(Entries(), QStringList({"2.5 Natale", "3 Natale in Città", "7 Natale al mare"}));
    EXPECT_EQ(Count(), "3 foto");
}

TEST_F(SearchLineTest, ALockHeldByAnotherProgramIsWaitedOutWithTheListOpen) {
    module.KeepSearchWords("anna");
    auto other = std::make_unique<SQLite::Database>(platform.DefaultAlbumPath().toStdString(),
                                                    SQLite::OPEN_READWRITE);
    other->exec("BEGIN EXCLUSIVE");
    Click(form, "Image1");
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return Count().startsWith("Album bloccato da un altro programma… ");
    })) << Count().toStdString();
    other->exec("COMMIT");
    EXPECT_TRUE(QTest::qWaitFor([this] { return Count() == "2 foto"; }, 20000))
        << Count().toStdString();
    EXPECT_TRUE(Form1Probe::PhotoList(form)->isVisible());
    EXPECT_EQ(Entries(), QStringList({"3 Natale in Città", "10 Tramonto"}));
}

TEST_F(SearchLineTest, AMessageIsWrappedOrElidedToFitNeverCutAtTheWindowsEdge) {
    QWidget& list = FindWithKeys();
    auto& count = Control<FittedLabel>(list, "SearchCount");
    count.setText(
        "Ricerca non disponibile: impossibile leggere '/home/utente/Immagini/una cartella dal "
        "nome molto lungo/database.mdb': il DataBase è danneggiato");
    const struct {
        QSize window;
        bool whole;
    } cases[] = {{{310, 211}, false}, {{180, 211}, false}, {{310, 400}, true}};
    for (const auto& c : cases) {
        list.resize(c.window);
        bool whole = false;
        const QStringList lines = count.ShownLines(&whole);
        EXPECT_LE(count.geometry().right(), list.width()) << c.window.width();
        EXPECT_LE(count.geometry().bottom(), list.height()) << c.window.height();
        EXPECT_LE(lines.size() * count.fontMetrics().lineSpacing(), count.height());
        for (const QString& line : lines)
            EXPECT_LE(count.fontMetrics().horizontalAdvance(line), count.width())
                << line.toStdString();
        EXPECT_EQ(whole, c.whole) << lines.join('|').toStdString();
        EXPECT_EQ(lines.last().endsWith(QChar(0x2026)), !whole);
    }
}

}  // namespace
