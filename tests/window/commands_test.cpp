// The album commands: first, previous, next, last, jump to a number, delete.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QFile>
#include <QLocale>
#include <QMap>
#include <QTest>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "app/val.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "widgets/long_line_box.h"
#include "widgets/picture.h"

namespace {

const QString kNoPhoto = "Non è presente alcuna foto!";
const QString kNotFound = "Nessuna foto trovata con questo numero";
const QString kJumpPrompt = "Salta alla foto numero?";
const QString kDeleteQuestion = "Eliminare questa foto dal database?";

// The photo number in the fields and the photo whose picture is in the frame
// ("" for none): the two agree when the window is consistent.
struct Showing {
    QString field;
    QString picture;
    bool operator==(const Showing&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Showing& s) {
    return out << "{fields " << s.field.toStdString() << ", picture " << s.picture.toStdString()
               << "}";
}
Showing Photo(long long id) {
    return {QString::number(id), QString::number(id)};
}

// Sets the user's locale for one test.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_ = QLocale();
};

// What goes wrong with the album once it is shown.
struct Failure {
    const char* name;
    QString cause;
};

const Failure kLocked{"locked", "Il DataBase è bloccato da un altro programma"};
const Failure kDamaged{"damaged", "Il DataBase è danneggiato"};
const Failure kDeleted{"deleted", "Il file del DataBase non è stato trovato"};
const Failure kReplaced{"replaced",
                        "Il file del DataBase è stato svuotato o sostituito da un altro programma"};
const Failure kEmptied{"emptied", kReplaced.cause};

struct Command {
    const char* button;
    QString notDone;
};

const Command kCommands[] = {
    {"Image9", "la prima foto non è stata mostrata."},
    {"Image8", "la foto precedente non è stata mostrata."},
    {"Image5", "la foto successiva non è stata mostrata."},
    {"Image10", "l'ultima foto non è stata mostrata."},
    {"Image4", "la foto cercata non è stata mostrata."},
    {"Image12", "la foto non è stata eliminata."},
};

class CommandsTest : public AlbumWindowFixture {
protected:
    // Opens an album of the given photo numbers at the usual place; each photo
    // has a picture of a colour of its own, named by its number, "b" after
    // the number of a second photo numbered alike (in an album made
    // elsewhere, `loose`).
    void Open(const std::vector<long long>& ids, bool loose = false) {
        std::vector<PhotoRow> rows;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const QColor colour = QColor::fromHsv(static_cast<int>(i * 360 / (ids.size() + 1)), 255,
                                                  static_cast<int>(255 - i % 3 * 60));
            const bool twin = i > 0 && ids[i - 1] == ids[i];
            const QString label = QString::number(ids[i]) + (twin ? "b" : "");
            const QString name = "foto" + label + ".bmp";
            WritePicture(Dir() + "/" + name, 40, 30, colour);
            colours_[colour.rgb()] = label;
            rows.push_back({ids[i], "Foto " + QString::number(ids[i]), Dir(), name});
        }
        QFile::remove(Album());
        if (loose) {
            WriteLooseAlbum(Album(), rows);
        } else {
            WriteAlbum(Album(), rows);
        }
        module.OpenAlbum();
        dialogs.Clear();
    }

    QString Dir() const { return platform.Root(); }
    QString Album() const { return platform.DefaultAlbumPath(); }
    store::Cursor& Rows() { return Data1().Recordset(); }

    Showing Now() {
        Settle();
        const QImage& picture = Control<Picture>(form, "Image1").GetPicture();
        QString photo;
        if (!picture.isNull()) {
            const QRgb centre = picture.pixel(picture.width() / 2, picture.height() / 2);
            photo = colours_.value(centre, "?");
        }
        return {Control<LongLineBox>(form, "Text1").text(), photo};
    }

    // The jump as a person does it: the prompt answered with `answer`.
    void Jump(const QString& answer) {
        dialogs.Type(answer);
        Click(form, "Image4");
    }

    // Brings `failure` about; what it returns keeps it going while it lives.
    std::shared_ptr<void> Bring(const Failure& failure) {
        const std::string path = Album().toStdString();
        if (&failure == &kLocked) {
            auto other = std::make_shared<SQLite::Database>(path, SQLite::OPEN_READWRITE);
            other->exec("BEGIN EXCLUSIVE");
            return other;
        }
        if (&failure == &kDamaged) {
            DamageTablePage(Album());
        } else if (&failure == &kDeleted) {
            QFile::remove(Album());
        } else if (&failure == &kReplaced) {
            const QString other = Dir() + "/altro.mdb";
            WriteAlbum(other, {{9, "Altra", Dir(), "foto1.bmp"}});
            QFile::remove(Album());
            QFile::rename(other, Album());
        } else {
            QFile(Album()).resize(0);
        }
        return nullptr;
    }

private:
    QMap<QRgb, QString> colours_;
};

// --- First, previous, next, last ---

TEST_F(CommandsTest, StepsInNumberOrderWithoutWrappingAround) {
    Open({3, 10, 7});
    EXPECT_EQ(Now(), Photo(3));

    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(7));
    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(10));
    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(10)) << "Next on the last photo stays there";
    EXPECT_FALSE(Rows().Eof());

    Click(form, "Image8");
    EXPECT_EQ(Now(), Photo(7));
    Click(form, "Image8");
    EXPECT_EQ(Now(), Photo(3));
    Click(form, "Image8");
    EXPECT_EQ(Now(), Photo(3)) << "Previous on the first photo stays there";
    EXPECT_FALSE(Rows().Bof());

    Click(form, "Image10");
    EXPECT_EQ(Now(), Photo(10));
    Click(form, "Image9");
    EXPECT_EQ(Now(), Photo(3));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CommandsTest, ACursorLeftPastEitherEndComesBackOntoTheAlbum) {
    Open({3, 10, 7});

    // Past the end: the fields are empty, the picture is still the last one.
    Rows().MoveLast();
    Rows().MoveNext();
    ASSERT_TRUE(Rows().Eof());
    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(10));

    Rows().MoveNext();
    ASSERT_TRUE(Rows().Eof());
    Click(form, "Image8");
    EXPECT_EQ(Now(), Photo(10)) << "one step back from past the end is the last photo";

    // Before the start.
    Rows().MoveFirst();
    Rows().MovePrevious();
    ASSERT_TRUE(Rows().Bof());
    Click(form, "Image8");
    EXPECT_EQ(Now(), Photo(3));

    Rows().MovePrevious();
    ASSERT_TRUE(Rows().Bof());
    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(3)) << "one step on from before the start is the first photo";
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CommandsTest, OnePhotoStaysWhateverTheButtonAndIsShownAgain) {
    Open({5});
    using Handler = const char*;
    for (Handler click : {"Image5", "Image8", "Image9", "Image10"}) {
        Control<Picture>(form, "Image1").ClearPicture();
        Click(form, click);
        EXPECT_EQ(Now(), Photo(5));
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CommandsTest, EveryButtonTellsAnEmptyAlbumOnce) {
    Open({});
    using Handler = const char*;
    for (Handler click : {"Image5", "Image8", "Image9", "Image10"}) {
        dialogs.Clear();
        Click(form, click);
        EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto});
        EXPECT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(Now(), Showing{});
        EXPECT_TRUE(Rows().Bof() && Rows().Eof());
    }
}

TEST_F(CommandsTest, AFailedMoveLeavesThePictureThatWasShown) {
    Open({1, 2});
    // Every photo goes behind the window's back: the moves find no row.
    ExecuteSql(Album(), "DELETE FROM datab");
    Click(form, "Image10");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto});
    EXPECT_EQ(Now().picture, "1");
}

TEST_F(CommandsTest, ACommandBeforeAnyAlbumIsOpenSaysSoAndShowsNothing) {
    Click(form, "Image5");
    Click(form, "Image9");
    dialogs.Yes();
    Click(form, "Image12");
    dialogs.Type("3");
    Click(form, "Image4");
    const QString closed = "Il DataBase non è aperto: ";
    EXPECT_EQ(dialogs.Messages(), (QStringList{closed + "la foto successiva non è stata mostrata.",
                                               closed + "la prima foto non è stata mostrata.",
                                               closed + "la foto non è stata eliminata.",
                                               closed + "la foto cercata non è stata mostrata."}));
    EXPECT_EQ(Now(), Showing{});
}

// --- Jump to a number ---

TEST_F(CommandsTest, JumpGoesToTheNumberFromAnyPhoto) {
    Open({1, 2, 3});
    Click(form, "Image10");

    Jump("2");
    EXPECT_EQ(dialogs.Inputs(), QStringList{kJumpPrompt});
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(Now(), Photo(2));

    // The current photo's own number: the same photo, shown again.
    Control<Picture>(form, "Image1").ClearPicture();
    Jump("2");
    EXPECT_EQ(Now(), Photo(2));
    EXPECT_TRUE(dialogs.Messages().isEmpty());
}

TEST_F(CommandsTest, JumpToAMissingNumberSaysSoAndShowsTheFirstPhoto) {
    Open({3, 10, 7});
    Click(form, "Image10");
    Showing whenTold;
    dialogs.whileShown = [&](const ScriptedDialogs::Shown& box) {
        if (box.kind == ScriptedDialogs::Kind::Message) whenTold = Now();
    };

    Jump("99");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNotFound});
    EXPECT_EQ(Now(), Photo(3));
    EXPECT_EQ(whenTold, Photo(10)) << "the first photo comes after the message";
}

TEST_F(CommandsTest, JumpReadsTheAnswerInTheUsersLocale) {
    Open({1, 2, 7, 1000});
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));

    for (const char* answer : {"7", "07", " 7 ", "\t7", "7,0", "+7", "7,", "0,7e1"}) {
        Click(form, "Image9");
        Jump(answer);
        EXPECT_EQ(Now(), Photo(7)) << answer;
        EXPECT_TRUE(dialogs.Messages().isEmpty()) << answer;
    }
    Jump("1.000");  // the Italian thousands separator
    EXPECT_EQ(Now(), Photo(1000));

    for (const char* answer : {"2,5", "6,9999", "-7"}) {
        dialogs.Clear();
        Click(form, "Image10");
        Jump(answer);
        EXPECT_EQ(dialogs.Messages(), QStringList{kNotFound}) << answer;
        EXPECT_EQ(Now(), Photo(1)) << answer;
    }

    // A point is no decimal separator in Italian: "7.0" is not a number.
    dialogs.Clear();
    Click(form, "Image10");
    Jump("7.0");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(Now(), Photo(1000));

    // Where the point is the separator, the comma is no number.
    LocaleScope c(QLocale::c());
    Jump("7.0");
    EXPECT_EQ(Now(), Photo(7));
    Jump("7,0");
    EXPECT_EQ(Now(), Photo(7));
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    Jump("2.5");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNotFound});
}

TEST_F(CommandsTest, AnAnswerThatIsNoNumberLeavesThePhotoThatWasCurrent) {
    Open({3, 10, 7});
    for (const QString& answer :
         {QString(), QString(""), QString("   "), QString("sette"), QString("7a"), QString("nan"),
          QString("inf"), QString("1e999")}) {
        Click(form, "Image5");  // photo 7: the fields and the picture agree
        ASSERT_EQ(Now(), Photo(7));
        Jump(answer);
        EXPECT_EQ(Now(), Photo(7)) << answer.toStdString();
        EXPECT_EQ(dialogs.Messages(), QStringList{}) << answer.toStdString();
        EXPECT_EQ(dialogs.shown.size(), 1u);
        dialogs.Clear();
        Click(form, "Image9");
    }

    // A cursor left past either end stays there too.
    Click(form, "Image10");
    Rows().MoveNext();
    dialogs.Cancel();
    Click(form, "Image4");
    EXPECT_TRUE(Rows().Eof());
    EXPECT_EQ(Now(), (Showing{"", "10"}));

    Click(form, "Image9");
    Rows().MovePrevious();
    dialogs.Type("x");
    Click(form, "Image4");
    EXPECT_TRUE(Rows().Bof());
    EXPECT_EQ(Now(), (Showing{"", "3"}));

    // A row deleted under the cursor cannot be gone back to: the first photo
    // is shown instead, fields and picture alike.
    Click(form, "Image10");
    Rows().Delete();
    dialogs.Cancel();
    Click(form, "Image4");
    EXPECT_EQ(Now(), Photo(3));
    EXPECT_TRUE(dialogs.Messages().isEmpty());
}

TEST_F(CommandsTest, JumpInAnEmptyAlbumSaysThereIsNoPhotoWhateverTheAnswer) {
    Open({});
    for (const QString& answer : {QString(), QString("5"), QString("cinque")}) {
        dialogs.Clear();
        Jump(answer);
        EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto}) << answer.toStdString();
        EXPECT_EQ(Now(), Showing{});
    }
}

// The jump as the album always did it: from the first photo, read each
// photo's number off the field, until one equals the answer.
std::optional<QString> ScanFor(Module1& module, Form1& form, double number) {
    store::Cursor& rows = Module1Probe::Data1(module).Recordset();
    rows.MoveFirst();
    while (!rows.Eof()) {
        if (Val(Control<LongLineBox>(form, "Text1").text()) == number)
            return Control<LongLineBox>(form, "Text1").text();
        rows.MoveNext();
    }
    return std::nullopt;
}

TEST_F(CommandsTest, JumpFindsWhatTheRowByRowScanFinds) {
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));
    const std::vector<std::vector<long long>> albums = {
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
        {-40, -5, 0, 2, 7, 10, 11, 99, 100, 101, 1000000, 2147483648LL, 999999999999LL},
        {1},
        {0},
    };
    const QStringList answers = {
        "0",    "-0",   "0,0",     "-5",        "-40",        "1",          "2",
        "7",    "07",   " 7 ",     "0007,000",  "7,5",        "2,5",        "6,5",
        "8",    "10",   "1e1",     "11",        "99",         "100",        "101",
        "102",  "1000", "1000000", "1.000.000", "2147483648", "2147483647", "999999999999",
        "1e12", "-1",   "1e-9",    "0,1",       "3",          "-0,0"};
    int index = 0;
    for (const auto& ids : albums) {
        Open(ids);
        for (const QString& answer : answers) {
            bool ok = false;
            const double number = QLocale().toDouble(answer, &ok);
            ASSERT_TRUE(ok) << answer.toStdString();
            const std::optional<QString> expected = ScanFor(module, form, number);

            // Start somewhere else each time: the jump must not depend on it.
            const int start = index++ % 3;
            if (start == 0) Click(form, "Image9");
            if (start == 1) Click(form, "Image10");
            if (start == 2) Click(form, "Image5");
            dialogs.Clear();
            Jump(answer);

            const std::string where =
                "answer " + answer.toStdString() + " in an album of " + std::to_string(ids.size());
            if (expected) {
                EXPECT_TRUE(dialogs.Messages().isEmpty()) << where;
                EXPECT_EQ(Now(), (Showing{*expected, *expected})) << where;
            } else {
                EXPECT_EQ(dialogs.Messages(), QStringList{kNotFound}) << where;
                EXPECT_EQ(Now(), Photo(ids.front())) << where;
            }
        }
    }
}

// Negative numbers, zero written with a sign, and numbers past 2^53, where a
// double can no longer tell neighbours apart: each finds exactly its photo.
TEST_F(CommandsTest, JumpReadsNegativeAndHugeNumbersExactly) {
    LocaleScope italian(QLocale(QLocale::Italian, QLocale::Italy));
    constexpr long long kTop = std::numeric_limits<long long>::max();
    constexpr long long kBottom = std::numeric_limits<long long>::min();
    constexpr long long kTwoTo53 = 9007199254740992LL;
    Open({kBottom, -40, -5, 0, 7, kTwoTo53, kTwoTo53 + 1, kTop - 1, kTop});
    const struct {
        const char* answer;
        std::optional<long long> photo;
    } cases[] = {
        {"-5", -5},
        {" -5 ", -5},
        {"-40", -40},
        {"-0", 0},
        {"-0,0", 0},
        {"-1", std::nullopt},
        {"-7", std::nullopt},
        {"9007199254740992", kTwoTo53},
        {"9007199254740993", kTwoTo53 + 1},
        {"9007199254740993,000", kTwoTo53 + 1},
        {"9.007.199.254.740.993", kTwoTo53 + 1},
        {"9007199254740994", std::nullopt},
        {"9007199254740992,5", std::nullopt},
        {"9223372036854775806", kTop - 1},
        {"9223372036854775807", kTop},
        {"+9223372036854775807", kTop},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775808", kBottom},
        {"-9223372036854775809", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        dialogs.Clear();
        Click(form, "Image5");
        Jump(c.answer);
        if (c.photo) {
            EXPECT_TRUE(dialogs.Messages().isEmpty()) << c.answer;
            EXPECT_EQ(Now(), Photo(*c.photo)) << c.answer;
        } else {
            EXPECT_EQ(dialogs.Messages(), QStringList{kNotFound}) << c.answer;
            EXPECT_EQ(Now(), Photo(kBottom)) << c.answer;
        }
    }
}

// --- Delete ---

TEST_F(CommandsTest, DeletingTheCurrentPhotoShowsTheFirstAndKeepsThePictureFile) {
    Open({1, 2, 3});
    Click(form, "Image5");
    ASSERT_EQ(Now(), Photo(2));

    dialogs.Yes();
    Click(form, "Image12");

    EXPECT_EQ(dialogs.Questions(), QStringList{kDeleteQuestion});
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 3}));
    EXPECT_TRUE(QFile::exists(Dir() + "/foto2.bmp"));
    EXPECT_EQ(Now(), Photo(1));
    Click(form, "Image5");
    EXPECT_EQ(Now(), Photo(3)) << "nothing is renumbered";
}

TEST_F(CommandsTest, DeletingTheFirstPhotoShowsTheNextOne) {
    Open({4, 9, 6});
    dialogs.Yes();
    Click(form, "Image12");
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{6, 9}));
    EXPECT_EQ(Now(), Photo(6));
    EXPECT_TRUE(QFile::exists(Dir() + "/foto4.bmp"));
}

TEST_F(CommandsTest, DeletingTheOnlyPhotoLeavesTheFrameBlank) {
    Open({5});
    dialogs.Yes();
    Click(form, "Image12");

    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(AlbumIds(Album()).empty());
    EXPECT_EQ(Now(), Showing{});
    EXPECT_TRUE(QFile::exists(Dir() + "/foto5.bmp"));

    Click(form, "Image5");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto});
}

TEST_F(CommandsTest, NoDeletesNothing) {
    Open({1, 2});
    Click(form, "Image10");
    dialogs.No();
    Click(form, "Image12");
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
    EXPECT_EQ(Now(), Photo(2));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(CommandsTest, DeletingWithNoCurrentPhotoSaysSoAndChangesNothing) {
    Open({});
    dialogs.No();
    Click(form, "Image12");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    dialogs.Yes();
    Click(form, "Image12");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto});

    // A cursor past the end: the photo shown stays in the frame.
    Open({1, 2});
    Click(form, "Image10");
    Rows().MoveNext();
    dialogs.Yes();
    Click(form, "Image12");
    EXPECT_EQ(dialogs.Messages(), QStringList{kNoPhoto});
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
    EXPECT_EQ(Now(), (Showing{"", "2"}));
    EXPECT_TRUE(Rows().Eof());
}

TEST_F(CommandsTest, ARefusedDeletionIsToldAndThePhotoStays) {
    Open({1, 2});
    Click(form, "Image10");
    // An album opened for reading, as one on CD.
    Data1().ReadOnly = true;
    Data1().Refresh();
    Click(form, "Image10");

    dialogs.Yes();
    Click(form, "Image12");

    EXPECT_EQ(dialogs.Messages(),
              QStringList{"Il DataBase è di sola lettura: la foto non è stata eliminata."});
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
    EXPECT_EQ(Now(), Photo(2));
}

TEST_F(CommandsTest, ADeletionRefusedByAnotherProgramIsToldAndThePhotoStays) {
    Open({1, 2});
    Click(form, "Image10");
    {
        // Another program is writing to the album for longer than the store waits.
        SQLite::Database other(Album().toStdString(), SQLite::OPEN_READWRITE);
        other.exec("BEGIN IMMEDIATE");
        dialogs.Yes();
        Click(form, "Image12");
    }
    EXPECT_EQ(dialogs.Messages(),
              QStringList{
                  "Il DataBase è bloccato da un altro programma: la foto non è stata eliminata."});
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
    EXPECT_EQ(Now(), Photo(2));
}

TEST_F(CommandsTest, TwoPhotosOfOneNumberAreEachShownInTurnAndDeletedAlone) {
    Open({1, 2, 2, 3}, true);
    const Showing first = Photo(2), second{"2", "2b"};
    const struct {
        const char* button;
        Showing then;
    } steps[] = {{"Image5", first},     {"Image5", second},  {"Image5", Photo(3)},
                 {"Image8", second},    {"Image8", first},   {"Image8", Photo(1)},
                 {"Image10", Photo(3)}, {"Image9", Photo(1)}};
    for (const auto& step : steps) {
        Click(form, step.button);
        EXPECT_EQ(Now(), step.then) << step.button;
    }
    Jump("2");
    EXPECT_EQ(Now(), first);
    Click(form, "Image5");
    dialogs.Yes();
    Click(form, "Image12");
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2, 3}));
    Click(form, "Image5");
    EXPECT_EQ(Now(), first) << "the other photo numbered 2 stays";

    // Renumbered by another program while shown: told, nothing deleted, the
    // album read anew.
    ExecuteSql(Album(), "UPDATE datab SET id = 7 WHERE id = 2");
    dialogs.Yes();
    Click(form, "Image12");
    EXPECT_EQ(dialogs.Messages(), QStringList{"La foto è stata eliminata, rinumerata o sostituita "
                                              "da un altro programma: la foto non è stata "
                                              "eliminata."});
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 3, 7}));
    EXPECT_EQ(Now(), Photo(1));
}

// --- The buttons themselves ---

TEST_F(CommandsTest, TheHighlightedPicturesTakeTheClicks) {
    Open({3, 10, 7});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // Hovering a normal picture shows its highlighted pair, which is clicked.
    auto press = [&](Picture* normal, Picture* highlighted) {
        QTest::mouseMove(normal, normal->rect().center());
        EXPECT_TRUE(highlighted->isVisible());
        EXPECT_FALSE(normal->isVisible());
        QTest::mouseClick(highlighted, Qt::LeftButton, {}, highlighted->rect().center());
    };
    press(&Control<Picture>(form, "Image18"), &Control<Picture>(form, "Image5"));
    EXPECT_EQ(Now(), Photo(7));
    press(&Control<Picture>(form, "Image17"), &Control<Picture>(form, "Image10"));
    EXPECT_EQ(Now(), Photo(10));
    press(&Control<Picture>(form, "Image19"), &Control<Picture>(form, "Image8"));
    EXPECT_EQ(Now(), Photo(7));
    press(&Control<Picture>(form, "Image16"), &Control<Picture>(form, "Image9"));
    EXPECT_EQ(Now(), Photo(3));

    dialogs.Type("10");
    press(&Control<Picture>(form, "Image13"), &Control<Picture>(form, "Image4"));
    EXPECT_EQ(Now(), Photo(10));

    dialogs.Yes();
    press(&Control<Picture>(form, "Image11"), &Control<Picture>(form, "Image12"));
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{3, 7}));
    EXPECT_EQ(Now(), Photo(3));
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(dialogs.Pending(), 0);
}

// --- An album that fails under the window ---

TEST_F(CommandsTest, EveryCommandTellsTheCauseAndKeepsOnePhotoShown) {
    for (const Failure* failure : {&kLocked, &kDamaged, &kDeleted, &kReplaced, &kEmptied}) {
        for (const Command& command : kCommands) {
            SCOPED_TRACE(std::string(failure->name) + " " + command.button);
            Open({1, 2, 3});
            Click(form, "Image5");
            dialogs.Clear();
            ASSERT_EQ(Now(), Photo(2));
            {
                const auto held = Bring(*failure);
                if (QString(command.button) == "Image4") dialogs.Type("3");
                if (QString(command.button) == "Image12") dialogs.Yes();
                Click(form, command.button);
            }
            EXPECT_EQ(dialogs.Messages(), QStringList{failure->cause + ": " + command.notDone});
            EXPECT_EQ(Now(), Photo(2));
        }
    }
}

}  // namespace
