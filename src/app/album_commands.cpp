// Album commands: first, previous, next, last, jump to a number, delete.
#include <optional>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/photo_numbers.h"
#include "app/store_messages.h"

namespace {

const char* const kNoPhoto = "Non è presente alcuna foto!";
const char* const kJumpPrompt = "Salta alla foto numero?";
const char* const kNotFound = "Nessuna foto trovata con questo numero";
const char* const kDeleteQuestion = "Eliminare questa foto dal database?";
const char* const kNotDeleted = "La foto non è stata eliminata.";

// Every album command ends the same way: an album with no photo under the
// cursor is told so, any other failure of the album ends the command where it
// stood.
template <typename Command>
void RunAlbumCommand(Dialogs& dialogs, Command command) {
    try {
        command();
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::NoCurrentRecord) dialogs.Message(kNoPhoto);
    }
}

// Where a cursor off the photos stands, so the jump can put it back.
enum class OffPhotos { BeforeFirst, AfterLast, OnDeletedRow };

OffPhotos PlaceOf(const store::Cursor& rows) {
    if (rows.Bof()) return OffPhotos::BeforeFirst;
    if (rows.Eof()) return OffPhotos::AfterLast;
    return OffPhotos::OnDeletedRow;
}

// Puts a cursor standing on the first photo back at `place`. A row just
// deleted cannot be stood on again: the cursor stays on the first photo and
// the answer is false.
bool ReturnTo(store::Cursor& rows, OffPhotos place) {
    switch (place) {
        case OffPhotos::BeforeFirst:
            rows.MovePrevious();
            return true;
        case OffPhotos::AfterLast:
            rows.MoveLast();
            rows.MoveNext();
            return true;
        case OffPhotos::OnDeletedRow:
            return false;
    }
    return false;
}

}  // namespace

void Module1::MoveFirst() {
    RunAlbumCommand(dialogs, [this] {
        Data1.Recordset().MoveFirst();
        ShowPhoto();
    });
}

void Module1::MoveLast() {
    RunAlbumCommand(dialogs, [this] {
        Data1.Recordset().MoveLast();
        ShowPhoto();
    });
}

void Module1::MoveNext() {
    RunAlbumCommand(dialogs, [this] {
        store::Cursor& rows = Data1.Recordset();
        // No wrap-around: running off the last photo steps back onto it, and
        // a cursor left past the end comes back to the last photo.
        if (!rows.Eof()) {
            rows.MoveNext();
            if (rows.Eof()) rows.MovePrevious();
        } else {
            rows.MovePrevious();
        }
        ShowPhoto();
    });
}

void Module1::MovePrevious() {
    RunAlbumCommand(dialogs, [this] {
        store::Cursor& rows = Data1.Recordset();
        if (!rows.Bof()) {
            rows.MovePrevious();
            if (rows.Bof()) rows.MoveNext();
        } else {
            rows.MoveNext();
        }
        ShowPhoto();
    });
}

void Module1::JumpToPhoto() {
    const QString answer = dialogs.Input(kJumpPrompt);
    RunAlbumCommand(dialogs, [this, &answer] {
        store::Cursor& rows = Data1.Recordset();
        // An empty album is told so whatever the answer, Cancel included. A
        // cursor on a photo proves there is one; otherwise the first photo is
        // looked for, and the cursor put back, so the fields keep matching the
        // picture until the jump is decided.
        bool cursorKept = true;
        if (!rows.HasCurrentRow()) {
            const OffPhotos before = PlaceOf(rows);
            rows.MoveFirst();
            cursorKept = ReturnTo(rows, before);
        }

        const std::optional<store::Value> number = PhotoNumberFromAnswer(answer);
        if (!number) {
            // Nothing to look for: the photo that was current stays current.
            if (!cursorKept) ShowPhoto();
            return;
        }

        // The first photo in album order whose number equals the answer,
        // found through the id index rather than row by row.
        if (!rows.SeekId(*number)) {
            dialogs.Message(kNotFound);
            rows.MoveFirst();
        }
        ShowPhoto();
    });
}

void Module1::DeleteCurrentPhoto() {
    RunAlbumCommand(dialogs, [this] {
        if (!dialogs.Question(kDeleteQuestion)) return;
        store::Cursor& rows = Data1.Recordset();
        // Only the row goes; the picture file stays where it is.
        const std::string searchBefore = SearchStateBeforeWrite();
        const store::Value deleted = rows.HasCurrentRow() ? rows.Current().id : store::Value();
        try {
            rows.Delete();
        } catch (const store::StoreError& e) {
            // The user said yes and the photo is still there: say why, rather
            // than let a refused deletion pass for a done one.
            if (e.number() == store::err::NoCurrentRecord) throw;
            const bool known = e.number() == store::err::ReadOnlyDatabase ||
                               e.number() == store::err::Locked ||
                               e.number() == store::err::DiskFull;
            dialogs.Message(known ? Sentence(StoreErrorCause(e.number())) + ": " +
                                        "la foto non è stata eliminata."
                                  : QString(kNotDeleted));
            return;
        }
        PhotoWritten(deleted, searchBefore);
        Data1.Refresh();
        emit PictureCleared();
        ShowPhoto();
    });
}
