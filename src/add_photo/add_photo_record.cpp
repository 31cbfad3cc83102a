// The picker's OK: the five questions, and the new row added to the album.
#include "add_photo/form2.h"
#include "add_photo/insert_photo.h"
#include "album_window/form1.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/store_messages.h"
#include "app/val.h"
#include "store/album_file.h"

namespace {

const char* const kPrompts[] = {"TITOLO DELLA FOTO?", "DATA DELLA FOTO? (gg/mm/aa)", "LUOGO?",
                                "PERSONE PRESENTI?", "NOTE?"};

QString AddFailureMessage(int number) {
    const QString head = "Impossibile aggiungere la foto: ";
    if (number == store::err::DuplicateKey)
        return head + "un altro programma sta aggiungendo foto allo stesso DataBase. Riprova.";
    return head + StoreErrorCause(number) + ".";
}

// After a failed addition: the album query again, on the photo shown before,
// so the album window goes on working. An album that may no longer be written
// is shown for reading, as at start-up.
void ReopenAlbum(Module1& module, const QString& shownId) {
    Form1& f = *module.form1;
    f.Data1.RecordSource = store::kAlbumQuery;
    try {
        try {
            f.Data1.Refresh();
        } catch (const store::StoreError& e) {
            if (e.number() != store::err::CannotOpenForWriting || f.Data1.ReadOnly) throw;
            f.Data1.ReadOnly = true;
            f.Image6->SetEnabled(false);
            f.Data1.Refresh();
        }
        if (!shownId.isEmpty()) f.Data1.Recordset().SeekId(Val(shownId));
    } catch (const store::StoreError&) {
        // Nothing to show; the next activation of the album window looks for
        // the album again.
        return;
    }
    module.ShowPhoto();
}

}  // namespace

void Module1::AddPhotoRecord() {
    Form1& f = *form1;

    // Every question is asked; Cancel only leaves that answer empty.
    std::vector<std::string> texts;
    for (const char* prompt : kPrompts) texts.push_back(dialogs.Input(prompt).toStdString());
    texts.push_back(PickedFileName.toStdString());
    texts.push_back(PickedFolder.toStdString());

    const QString shownId = f.Text1->text();
    try {
        InsertPhotoRow(
            f.Data1, [&f] { return f.Text1->text().toStdString(); }, texts);
    } catch (const store::StoreError& e) {
        // Nothing was written: the picker stays open for another try.
        dialogs.Message(AddFailureMessage(e.number()));
        ReopenAlbum(*this, shownId);
        return;
    }

    try {
        f.Data1.RecordSource = store::kAlbumQuery;
        f.Data1.Refresh();
        f.Data1.Recordset().MoveLast();
        ShowPhoto();
    } catch (const store::StoreError&) {
        // The photo is in. The album window's activation, which follows,
        // opens the album again and says what stops it.
    }

    // Hiding the active picker hands the focus back to the album window,
    // whose activation reopens the album on its first photo.
    if (form2) form2->hide();
    f.activateWindow();
    UnloadForm2();
}
