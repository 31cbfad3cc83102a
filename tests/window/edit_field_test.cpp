// Correcting a photo's fields in place in the album window: starting, saving
// and cancelling an edit, the refusals, the undo, and long fields.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QApplication>
#include <QFile>
#include <QShortcut>
#include <QTest>
#include <functional>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

// Columns of AlbumRow.
enum Column { kId, kTitle, kDate, kPlace, kPeople, kNotes };

class EditFieldTest : public ::testing::Test {
protected:
    void Open(const QString& notes = "nota") {
        PhotoRow first{1, "Uno", platform.Root(), "a.jpg"};
        first.note = notes;
        QFile::setPermissions(Album(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(Album());
        WriteAlbum(Album(), {first, {2, "Due", platform.Root(), "b.jpg"}});
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        module.OpenAlbum();  // the file written anew
        dialogs.Clear();
    }
    QString Album() const { return platform.DefaultAlbumPath(); }
    QString Stored(Column column, long long id = 1) const {
        return AlbumRow(Album(), id).value(column);
    }
    // The widget a box takes its pointer and keys on.
    static QWidget* Surface(QWidget* box) {
        auto* text = qobject_cast<QPlainTextEdit*>(box);
        return text ? text->viewport() : box;
    }
    static void Type(QWidget* box, const QString& text) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        // Letters beyond ASCII as a keyboard layout types them: no key code.
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static bool Editable(QWidget* box) {
        auto* line = qobject_cast<QLineEdit*>(box);
        const bool readOnly =
            line ? line->isReadOnly() : qobject_cast<QPlainTextEdit*>(box)->isReadOnly();
        return !readOnly && box->palette().color(QPalette::Base) == Qt::white && box->hasFocus();
    }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
};

struct Edit {
    const char* what;
    QWidget* (*box)(Form1&);
    Column column;
    bool doubleClick;                              // else F2
    QString typed;                                 // replaces the whole text
    std::function<void(Form1&, QWidget*)> finish;  // how the edit ends
    QString stored;                                // the column afterwards
};

void Press(QWidget* box, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(box, static_cast<Qt::Key>(key), modifiers);
}

TEST_F(EditFieldTest, F2OrADoubleClickStartsAnEditThatEndsSavedOrCancelled) {
    const auto enter = [](Form1&, QWidget* box) { Press(box, Qt::Key_Return); };
    const auto title = [](Form1& f) -> QWidget* { return f.Text2; };
    const auto date = [](Form1& f) -> QWidget* { return f.Text3; };
    const auto place = [](Form1& f) -> QWidget* { return f.Text4; };
    const auto people = [](Form1& f) -> QWidget* { return f.Text5; };
    const auto notes = [](Form1& f) -> QWidget* { return f.Text6; };
    const QString alba = "Città d'Alba \"vecchia\"; --";
    const std::vector<Edit> edits = {
        {"Enter saves the title", title, kTitle, false, alba, enter, alba},
        {"a double-click, then Enter", date, kDate, true, "3/4/1999", enter, "3/4/1999"},
        {"Esc puts the text back", place, kPlace, false, "Roma",
         [](Form1&, QWidget* box) { Press(box, Qt::Key_Escape); }, "Palermo"},
        {"the focus leaving saves", place, kPlace, true, "Alba",
         [](Form1&, QWidget* box) { Press(box, Qt::Key_Tab); }, "Alba"},
        {"Enter is a new line in the notes, Ctrl+Enter saves", notes, kNotes, false, "a",
         [](Form1&, QWidget* box) {
             Press(box, Qt::Key_Return);
             QTest::keyClicks(box, "b");
             Press(box, Qt::Key_Return, Qt::ControlModifier);
         },
         "a\nb"},
        {"a step saves first", people, kPeople, false, "Bruno",
         [](Form1& form, QWidget*) { form.Image5_Click(); }, "Bruno"},
        {"a move no command finished saves nothing", people, kPeople, false, "Bruno",
         [](Form1& form, QWidget*) { form.module.MoveNext(); }, "Anna"},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.what);
        Open();
        QWidget* box = e.box(form);
        box->setFocus();
        if (e.doubleClick)
            QTest::mouseDClick(Surface(box), Qt::LeftButton);
        else
            Press(box, Qt::Key_F2);
        EXPECT_TRUE(Editable(box));
        Type(box, e.typed);
        e.finish(form, box);
        EXPECT_FALSE(Editable(box));
        EXPECT_EQ(Stored(e.column), e.stored);
        EXPECT_EQ(AlbumRow(Album(), 2).mid(kTitle, 6),
                  (QStringList{"Due", "01/01/01", "Palermo", "Anna", "", "b.jpg"}))
            << "no other row changes";
        EXPECT_EQ(dialogs.Messages(), QStringList{});
    }
}

TEST_F(EditFieldTest, ARefusedSaveSaysWhyAndKeepsTheOldText) {
    struct Refusal {
        const char* what;
        std::function<void()> meanwhile;
        QString message;
        QString shownAfter;  // the title shown after the message
    };
    std::optional<SQLite::Database> other;
    const std::vector<Refusal> refusals = {
        {"album locked by another program",
         [this, &other] {
             other.emplace(Album().toStdString(), SQLite::OPEN_READWRITE);
             other->exec("BEGIN IMMEDIATE");
         },
         "Il DataBase è bloccato da un altro programma: la modifica non è stata salvata.", "Uno"},
        {"photo deleted by another program",
         [this] { ExecuteSql(Album(), "DELETE FROM datab WHERE id = 1"); },
         "La foto non è più nel DataBase: la modifica non è stata salvata.", "Due"},
        {"read-only album",
         [this] {
             QFile::setPermissions(Album(), QFile::ReadOwner);
             module.OpenAlbum();
         },
         "Il DataBase è di sola lettura: la modifica non è stata salvata.", "Uno"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        Open();
        r.meanwhile();
        dialogs.Clear();
        form.Text2->setFocus();
        Press(form.Text2, Qt::Key_F2);
        Type(form.Text2, "Nuovo");
        Press(form.Text2, Qt::Key_Return);
        other.reset();
        EXPECT_EQ(dialogs.Messages(), QStringList{r.message});
        EXPECT_EQ(form.Text2->text(), r.shownAfter);
        EXPECT_FALSE(Editable(form.Text2));
        EXPECT_NE(Stored(kTitle, 2), "Nuovo");
    }
}

TEST_F(EditFieldTest, CtrlZUndoesTheLastSaveWhileTheEditingBoxKeepsItsOwnKeys) {
    Open();
    int windowPageDowns = 0;
    QShortcut pageDown(Qt::Key_PageDown, &form);
    QObject::connect(&pageDown, &QShortcut::activated, [&] { ++windowPageDowns; });

    form.Text2->setFocus();
    Press(form.Text2, Qt::Key_F2);
    Press(form.Text2, Qt::Key_End);
    QTest::keyClicks(form.Text2, "Primo");
    Press(form.Text2, Qt::Key_PageDown);
    Press(form.Text2, Qt::Key_Z, Qt::ControlModifier);  // the box's own undo
    EXPECT_EQ(form.Text2->text(), "Uno");
    EXPECT_EQ(windowPageDowns, 0);
    QTest::keyClicks(form.Text2, "X");
    Press(form.Text2, Qt::Key_Return);
    EXPECT_EQ(Stored(kTitle), "UnoX");

    Press(form.Text2, Qt::Key_PageDown);
    EXPECT_EQ(windowPageDowns, 1) << "the window's keys act again";
    Press(form.Text2, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Stored(kTitle), "Uno");
    EXPECT_EQ(form.Text2->text(), "Uno");
    Press(form.Text2, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Stored(kTitle), "Uno") << "one level";
}

TEST_F(EditFieldTest, LongFieldsAreEditedWhole) {
    // Long enough for the boxes to show them in stretches and pieces.
    QString words;
    while (words.size() < 3 * LongTextBox::kPieceLength) words += "parola ";
    Open(words);
    const QString title(3 * LongLineBox::kStretch, QChar('t'));
    ExecuteSql(Album(), qPrintable("UPDATE datab SET titolo = '" + title + "' WHERE id = 1"));
    module.OpenAlbum();

    form.Text6->setFocus();
    Press(form.Text6, Qt::Key_F2);
    Press(form.Text6, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(form.Text6, "X");
    Press(form.Text6, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Stored(kNotes), "X" + words);

    form.Text2->setFocus();
    Press(form.Text2, Qt::Key_F2);
    Press(form.Text2, Qt::Key_End);
    QTest::keyClicks(form.Text2, "Y");
    Press(form.Text2, Qt::Key_Home);
    QTest::keyClicks(form.Text2, "Z");
    Press(form.Text2, Qt::Key_Return);
    EXPECT_EQ(Stored(kTitle), "Z" + title + "Y");
}

}  // namespace
