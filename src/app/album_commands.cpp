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

// What each command leaves undone when the album fails it.
const char* const kFirstNotShown = "la prima foto non è stata mostrata.";
const char* const kPreviousNotShown = "la foto precedente non è stata mostrata.";
const char* const kNextNotShown = "la foto successiva non è stata mostrata.";
const char* const kLastNotShown = "l'ultima foto non è stata mostrata.";
const char* const kJumpNotShown = "la foto cercata non è stata mostrata.";
const char* const kNotReread = "l'album non è stato riletto dopo l'eliminazione della foto.";

std::optional<store::Value> ShownId(const Module1& module) {
    if (const auto& photo = module.CurrentPhoto()) return photo->id;
    return std::nullopt;
}

// After a failure the fields show whatever photo the cursor stands on: the
// frame is made to show the same photo's picture, or nothing beside blank
// fields, never the picture of the photo shown before.
void ShowWhereTheCursorIs(Module1& module, const std::optional<store::Value>& shownBefore) {
    const std::optional<store::Value> now = ShownId(module);
    if (now.has_value() == shownBefore.has_value() && (!now || *now == *shownBefore)) return;
    if (now) {
        module.ShowPhoto();
    } else {
        emit module.PictureCleared();
    }
}

// Every album command ends the same way: an album with no photo under the
// cursor is told so; any other failure of the album ends the command where it
// stood, with the window showing one photo whole, and is told by its cause
// and by what it left undone.
template <typename Command>
void RunAlbumCommand(Module1& module, const char* notDone, Command command) {
    const std::optional<store::Value> shownBefore = ShownId(module);
    try {
        command();
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::NoCurrentRecord) {
            module.Tell(kNoPhoto);
            return;
        }
        ShowWhereTheCursorIs(module, shownBefore);
        module.Tell(FailureMessage(e, notDone));
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
    RunAlbumCommand(*this, kFirstNotShown, [this] {
        Data1.Recordset().MoveFirst();
        ShowPhoto();
    });
}

void Module1::MoveLast() {
    RunAlbumCommand(*this, kLastNotShown, [this] {
        Data1.Recordset().MoveLast();
        ShowPhoto();
    });
}

void Module1::MoveNext() {
    RunAlbumCommand(*this, kNextNotShown, [this] {
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
    RunAlbumCommand(*this, kPreviousNotShown, [this] {
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
    RunAlbumCommand(*this, kJumpNotShown, [this, &answer] {
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
    if (!dialogs.Question(kDeleteQuestion)) return;
    RunAlbumCommand(*this, kNotReread, [this] {
        // Only the row goes; the picture file stays where it is.
        std::string searchBefore;
        store::Value deleted;
        try {
            store::Cursor& rows = Data1.Recordset();
            searchBefore = SearchStateBeforeWrite();
            if (rows.HasCurrentRow()) deleted = rows.Current().id;
            rows.Delete();
            // The word index follows the album's photos of that number: the
            // one deleted goes, another of its number (an album made
            // elsewhere) stays.
            PhotoWritten(deleted, searchBefore);
        } catch (const store::StoreError& e) {
            // The user said yes and the photo is still there: say why, rather
            // than let a refused deletion pass for a done one.
            if (e.number() == store::err::NoCurrentRecord) throw;
            dialogs.Message(e.number() == store::err::General
                                ? QString(kNotDeleted)
                                : FailureMessage(e, "la foto non è stata eliminata."));
            // A photo another program took from its row is not shown any
            // longer: the album is read anew, as after a deletion.
            if (e.number() != store::err::PhotoGone) return;
        }
        Data1.Refresh();
        emit PictureCleared();
        ShowPhoto();
    });
}
