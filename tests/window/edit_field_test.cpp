// Correcting a photo's fields in place in the album window: starting, saving
// and cancelling an edit, the window's keys while editing, and long fields.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>
#include <QTest>
#include <QTextBlock>
#include <functional>
#include <tuple>

#include "support/album_window_fixture.h"
#include "support/albums.h"

namespace {

enum Column { kTitle = 1, kDate, kPlace, kPeople, kNotes };  // of AlbumRow

void Press(QWidget* box, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(box, static_cast<Qt::Key>(key), modifiers);
}

// Opens `box`'s menu as a right click does and chooses the action whose text,
// without its mnemonic and shortcut, is `text`.
void ChooseFromMenu(QWidget* box, const QString& text) {
    auto* area = qobject_cast<QAbstractScrollArea*>(box);
    QWidget* target = area ? area->viewport() : box;
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4),
                            target->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(target, &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().section('\t', 0, 0).remove('&') == text) chosen = action;
    menu->close();
    ASSERT_NE(chosen, nullptr) << text.toStdString();
    chosen->trigger();
}

class EditFieldTest : public AlbumWindowFixture {
protected:
    // `change`, when given, is done to the album file before it is opened.
    void Open(const QString& title = "Uno", const QString& notes = "nota",
              const std::function<void(const QString&)>& change = {}) {
        PhotoRow first{1, title, platform.Root(), "a.jpg"};
        first.note = notes;
        QFile::remove(Album());
        WriteAlbum(Album(), {first, {2, "Due", platform.Root(), "b.jpg"}});
        if (change) change(Album());
        Focus(&form);
        module.OpenAlbum();  // the file written anew
    }
    QString Album() const { return platform.DefaultAlbumPath(); }
    QString Stored(Column column) const { return AlbumRow(Album(), 1).value(column); }
    LongLineBox& Title() { return Control<LongLineBox>(form, "Text2"); }
    // F2 on `box`, then Ctrl+A and `text` typed; letters beyond ASCII come as
    // a keyboard layout sends them, without a key code.
    static void Edit(QWidget* box, const QString& text) {
        box->setFocus();
        Press(box, Qt::Key_F2);
        Press(box, Qt::Key_A, Qt::ControlModifier);
        for (const QChar c : text)
            QTest::sendKeyEvent(
                QTest::Click, box,
                c.unicode() < 128 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown, QString(c),
                Qt::NoModifier);
    }

    // Lines "riga N" with `lineEnd`, far more than the box holds at once,
    // and a last line "fine" without one.
    static QString HugeNote(const QString& lineEnd) {
        QString note;
        for (int i = 0; note.size() < 4 * LongTextBox::kWholeLimit; ++i)
            note += "riga " + QString::number(i) + lineEnd;
        return note + "fine";
    }
    // Where two long texts first differ, for a message that fits.
    static QString FirstDifference(const QString& a, const QString& b) {
        qsizetype i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
        return a == b
                   ? QString()
                   : QString("at %1: \"%2\" against \"%3\"").arg(i).arg(a.mid(i, 20), b.mid(i, 20));
    }
};

TEST_F(EditFieldTest, AnEditEndsSavedOrCancelledAndWritesOnlyItsColumn) {
    const QString alba = "Città d'Alba \"vecchia\"; --";
    const struct {
        const char* what;
        Column column;
        std::function<void(Form1&, QWidget*)> finish;
        QString stored;
    } edits[] = {
        {"Enter saves", kTitle, [](Form1&, QWidget* b) { Press(b, Qt::Key_Return); }, alba},
        {"Esc puts the text back", kDate, [](Form1&, QWidget* b) { Press(b, Qt::Key_Escape); },
         "01/01/01"},
        {"the focus leaving saves", kPlace, [](Form1&, QWidget* b) { Press(b, Qt::Key_Tab); },
         alba},
        {"a step saves first", kPeople, [](Form1& f, QWidget*) { Click(f, "Image5"); }, alba},
        {"a move no command finished saves nothing", kPeople,
         [this](Form1&, QWidget*) { module.MoveNext(); }, "Anna"},
        {"Enter is a new line in the notes, Ctrl+Enter saves", kNotes,
         [](Form1&, QWidget* b) {
             Press(b, Qt::Key_Return);
             Press(b, Qt::Key_B);
             Press(b, Qt::Key_Return, Qt::ControlModifier);
         },
         alba + "\nb"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        Open();
        const QStringList secondBefore = AlbumRow(Album(), 2);
        QWidget* box = QList<QWidget*>{
            &Control<LongLineBox>(form, "Text2"), &Control<LongLineBox>(form, "Text3"),
            &Control<LongLineBox>(form, "Text4"), &Control<LongTextBox>(form, "Text5"),
            &Control<LongTextBox>(form, "Text6")}[e.column - kTitle];
        Edit(box, alba);
        EXPECT_EQ(box->palette().color(QPalette::Base), QColor(Qt::white));
        EXPECT_FALSE(box->property("readOnly").toBool()) << "a caret";
        e.finish(form, box);
        EXPECT_TRUE(box->property("readOnly").toBool());
        EXPECT_EQ(Stored(e.column), e.stored);
        EXPECT_EQ(AlbumRow(Album(), 2), secondBefore) << "no other row changes";
        EXPECT_EQ(dialogs.Messages(), QStringList{});
    }
}

TEST_F(EditFieldTest, TheEditingBoxKeepsItsKeysFromTheWindowAndCtrlZUndoesASave) {
    Open();
    // PageDown is the window's key for the next photo.
    Edit(&Control<LongLineBox>(form, "Text2"), "Primo");
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_PageDown);
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1")
        << "the box keeps its key while edited";
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Return);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Stored(kTitle), "Uno");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Uno");
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_PageDown);
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "2") << "the window's keys act again";
}

TEST_F(EditFieldTest, LongFieldsAreEditedWhole) {
    // Long enough for the boxes to show them in stretches and pieces.
    QString words;
    while (words.size() < 3 * LongTextBox::kPieceLength) words += "parola ";
    const QString title(3 * LongLineBox::kStretch, QChar('t'));
    Open(title, words);
    Control<LongTextBox>(form, "Text6").setFocus();
    Press(&Control<LongTextBox>(form, "Text6"), Qt::Key_F2);
    Press(&Control<LongTextBox>(form, "Text6"), Qt::Key_Home, Qt::ControlModifier);
    Press(&Control<LongTextBox>(form, "Text6"), Qt::Key_X);
    Press(&Control<LongTextBox>(form, "Text6"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Stored(kNotes), "x" + words);

    Control<LongLineBox>(form, "Text2").setFocus();
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_F2);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_End);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Y);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Home);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Z);
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Return);
    EXPECT_EQ(Stored(kTitle), "z" + title + "y");
    Edit(&Control<LongLineBox>(form, "Text2"), "corto");  // over the whole text selected
    Press(&Control<LongLineBox>(form, "Text2"), Qt::Key_Return);
    EXPECT_EQ(Stored(kTitle), "corto");
}

// A note far longer than the box holds at once, or a short one: edits at
// its start, in its middle and at its end are saved exactly, with its line
// ends and the one typed as the note's own; Select All then typing replaces
// all of it.
TEST_F(EditFieldTest, EditsOfAHugeNoteAreSavedExactly) {
    const struct {
        const char* what;
        QString note;
        QString lineEnd;
    } notes[] = {{"CR LF", HugeNote("\r\n"), "\r\n"},
                 {"LF", HugeNote("\n"), "\n"},
                 {"short, CR LF", "uno\r\ndue", "\r\n"}};
    for (const auto& [what, note, lineEnd] : notes) {
        SCOPED_TRACE(what);
        Open("Uno", note);
        auto& box = Control<LongTextBox>(form, "Text6");
        box.setFocus();
        Press(&box, Qt::Key_F2);
        Press(&box, Qt::Key_End, Qt::ControlModifier);
        Press(&box, Qt::Key_Return);
        Press(&box, Qt::Key_E);
        box.ScrollToPosition(note.size() / 2);
        const qsizetype middle = box.TopPosition();
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(6, 6));
        Press(&box, Qt::Key_M);
        Press(&box, Qt::Key_Home, Qt::ControlModifier);
        Press(&box, Qt::Key_S);
        Press(&box, Qt::Key_Return, Qt::ControlModifier);
        const QString edited = "s" + note.left(middle) + "m" + note.mid(middle) + lineEnd + "e";
        EXPECT_EQ(FirstDifference(Stored(kNotes), edited), QString());

        Edit(&box, "nuova");
        Press(&box, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(Stored(kNotes), "nuova");
        EXPECT_EQ(dialogs.Messages(), QStringList{});
    }
}

// Select All, by its key or by the box's menu, selects the whole of a text
// the box holds only a stretch of: a paste, typing or a deletion after it,
// by key or by the menu, replaces all of it, and the menu's Copy copies it.
// All the box holds, selected otherwise (as a drag does), is only that.
TEST_F(EditFieldTest, SelectAllThenAnEditReplacesTheWholeText) {
    const QString title(3 * LongLineBox::kStretch, QChar('t'));
    const QString note = HugeNote("\r\n");
    using Step = std::function<void(QWidget*)>;
    const auto key = [](int k, Qt::KeyboardModifiers m) -> Step {
        return [=](QWidget* b) { Press(b, k, m); };
    };
    const auto menu = [](const char* text) -> Step {
        return [=](QWidget* b) { ChooseFromMenu(b, text); };
    };
    const struct {
        const char* what;
        Step selectAll, edit;
        QString saved;
    } edits[] = {
        {"Ctrl+A, the menu's Paste", key(Qt::Key_A, Qt::ControlModifier), menu("Paste"),
         "incollato"},
        {"the menu's Select All, Ctrl+V", menu("Select All"), key(Qt::Key_V, Qt::ControlModifier),
         "incollato"},
        {"the menu's Select All, typing", menu("Select All"), key(Qt::Key_X, Qt::NoModifier), "x"},
        {"the menu's Delete, typing", key(Qt::Key_A, Qt::ControlModifier),
         [&](QWidget* b) {
             menu("Delete")(b);
             Press(b, Qt::Key_Y);
         },
         "y"},
    };
    for (const auto& e : edits) {
        for (const auto& [name, column, text] :
             {std::tuple{"Text2", kTitle, title}, {"Text6", kNotes, note}}) {
            SCOPED_TRACE(std::string(e.what) + " in " + name);
            Open(title, note);
            QWidget* box = &Control(form, name);
            box->setFocus();
            Press(box, Qt::Key_F2);
            e.selectAll(box);
            ChooseFromMenu(box, "Copy");
            EXPECT_TRUE(QGuiApplication::clipboard()->text() == text);
            QGuiApplication::clipboard()->setText("incollato");
            e.edit(box);
            Press(box, Qt::Key_Return, Qt::ControlModifier);
            EXPECT_EQ(Stored(column), e.saved);
        }
    }
    // The whole stretch held, selected as a drag selects it, then typing.
    Open("Uno", note);
    auto& notes = Control<LongTextBox>(form, "Text6");
    notes.setFocus();
    Press(&notes, Qt::Key_F2);
    Press(&notes, Qt::Key_End, Qt::ControlModifier);
    QTextCursor held(notes.document());
    held.select(QTextCursor::Document);
    notes.setTextCursor(held);
    const qsizetype start = notes.StretchStart();
    Press(&notes, Qt::Key_X);
    Press(&notes, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(FirstDifference(Stored(kNotes), note.left(start) + "x"), QString());
}

// The box's own scroll bar runs over the whole of a huge note: at its end it
// shows the note's last line. Copied, the note is as given; a short note
// after it has the box's usual scroll bar back.
TEST_F(EditFieldTest, AHugeNoteScrollsToItsEndAndIsCopiedAsGiven) {
    const QString note = HugeNote("\r\n");
    Open("Uno", note);
    auto& box = Control<LongTextBox>(form, "Text6");
    QScrollBar* bar = nullptr;
    for (QScrollBar* shown : box.findChildren<QScrollBar*>())
        if (shown->isVisible()) bar = shown;
    ASSERT_NE(bar, nullptr);
    bar->setValue(bar->maximum());
    EXPECT_EQ(box.cursorForPosition(QPoint(6, box.viewport()->height() - 6)).block().text(),
              "fine");
    bar->setValue(bar->maximum() / 3);
    EXPECT_NEAR(static_cast<double>(box.TopPosition()), note.size() / 3.0, 40);

    Press(&box, Qt::Key_A, Qt::ControlModifier);  // Select All
    box.copy();
    EXPECT_EQ(FirstDifference(QGuiApplication::clipboard()->text(), note), QString());
    QTextCursor lines = box.cursorForPosition(QPoint(6, 6));
    lines.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, 2);
    box.setTextCursor(lines);
    box.copy();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied.count("\r\n"), 2);
    EXPECT_TRUE(note.contains(copied)) << copied.toStdString();

    Click(form, "Image5");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

// F2 or a double-click on an album that may only be read unlocks no box and
// says why, once for each.
TEST_F(EditFieldTest, AnAlbumThatMayOnlyBeReadSaysWhyAndUnlocksNothing) {
    const struct {
        const char* what;
        std::function<void(const QString&)> change;
        QString cause;
    } albums[] = {
        {"a file that may not be written",
         [](const QString& path) { QFile::setPermissions(path, QFile::ReadOwner); },
         "Il DataBase è di sola lettura"},
        {"an album holding triggers",
         [](const QString& path) {
             ExecuteSql(path, "CREATE TRIGGER t AFTER DELETE ON datab BEGIN SELECT 1; END");
         },
         "Il DataBase è di sola lettura perché contiene trigger"},
    };
    for (const auto& a : albums) {
        SCOPED_TRACE(a.what);
        dialogs.Clear();
        Open("Uno", "nota", a.change);
        Title().setFocus();
        Press(&Title(), Qt::Key_F2);
        QTest::mouseDClick(Control<LongTextBox>(form, "Text6").viewport(), Qt::LeftButton);
        EXPECT_TRUE(Title().isReadOnly());
        EXPECT_TRUE(Control<LongTextBox>(form, "Text6").isReadOnly());
        const QString told = a.cause + ": la foto non si può modificare.";
        EXPECT_EQ(dialogs.Messages(), QStringList({told, told}));
        QFile::setPermissions(Album(), QFile::ReadOwner | QFile::WriteOwner);
    }
}

// A save refused keeps the box open with the text typed, and every command
// waits for it; once the album lets it, Enter saves it, or Esc shows the
// album's photo as it now is.
TEST_F(EditFieldTest, ARefusedSaveKeepsTheTextTypedUntilSavedOrGivenUp) {
    const QString gone = "La foto è stata eliminata, rinumerata o sostituita da un altro programma";
    const struct {
        const char* sql;  // what another program does while the title is typed
        QString cause;
        Qt::Key then;
        QString shownId, shownTitle;  // after `then`
    } cases[] = {
        {"BEGIN IMMEDIATE", "Il DataBase è bloccato da un altro programma", Qt::Key_Return, "1",
         "Nuovo"},
        {"DELETE FROM datab WHERE id = 1", gone, Qt::Key_Escape, "2", "Due"},
        {"UPDATE datab SET id = 7 WHERE id = 1", gone, Qt::Key_Escape, "2", "Due"},
        {"UPDATE datab SET nome_file = 'altra.jpg' WHERE id = 1", gone, Qt::Key_Escape, "1", "Uno"},
        {"UPDATE datab SET titolo = 'Altro' WHERE id = 1",
         "Il testo è stato cambiato da un altro programma", Qt::Key_Escape, "1", "Altro"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        Open();
        dialogs.Clear();
        Edit(&Title(), "Nuovo");
        auto other =
            std::make_unique<SQLite::Database>(Album().toStdString(), SQLite::OPEN_READWRITE, 3000);
        other->exec(c.sql);
        Press(&Title(), Qt::Key_Return);
        QStringList told{c.cause + ": la modifica non è stata salvata."};
        EXPECT_EQ(dialogs.Messages(), told);
        EXPECT_FALSE(Title().isReadOnly());
        EXPECT_EQ(Title().EditedText(), "Nuovo");
        if (c.cause == gone) {
            Click(form, "Image5");
            EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1") << "the step waits";
            EXPECT_EQ(dialogs.Messages(), told << told.front());
        }
        other.reset();  // a lock ends
        Press(&Title(), c.then);
        EXPECT_TRUE(Title().isReadOnly());
        EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), c.shownId);
        EXPECT_EQ(Title().text(), c.shownTitle);
        EXPECT_EQ(AlbumRow(Album(), c.shownId.toLongLong()).value(kTitle), c.shownTitle);
    }
}

// Ctrl+Z puts the old text back only while the field holds the text saved:
// once another Pictora wrote over it, nothing changes and the user is told,
// whether or not this one has read the photo anew since.
TEST_F(EditFieldTest, CtrlZLeavesATextAnotherPictoraWroteSinceTheSave) {
    for (const bool readAnew : {false, true}) {
        SCOPED_TRACE(readAnew);
        Open();
        dialogs.Clear();
        Edit(&Title(), "Primo");
        Press(&Title(), Qt::Key_Return);
        ScriptedDialogs otherDialogs;
        Module1 other{otherDialogs, platform};
        other.OpenAlbum();
        ASSERT_TRUE(other.SavePhotoField(store::Field::Title, "Altro"));
        if (readAnew) module.Activate();
        Press(&Title(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Stored(kTitle), "Altro");
        EXPECT_EQ(Title().text(), "Altro");
        EXPECT_EQ(dialogs.Messages(),
                  QStringList{"Il testo è stato cambiato da un altro programma: il testo "
                              "precedente non è stato rimesso."});
    }
}

}  // namespace
