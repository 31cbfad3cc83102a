// Correcting a text of the current photo in place, and undoing the last
// correction.
#include <utility>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/store_messages.h"

namespace {

const char* const kNoPhoto = "Non è presente alcuna foto!";
const char* const kNotSaved = "la modifica non è stata salvata.";
const char* const kNotUndone = "il testo precedente non è stato rimesso.";
const char* const kCannotEdit = "la foto non si può modificare.";

}  // namespace

bool Module1::MayEditPhoto() {
    // An empty album has nothing to correct.
    if (!current_) return false;
    if (!ReadOnly()) return true;
    dialogs.Message(Sentence(ReadOnlyCauseText(readOnlyCause_)) + ": " + kCannotEdit);
    return false;
}

bool Module1::SavePhotoField(store::Field field, const QString& text) {
    if (!current_) {
        dialogs.Message(kNoPhoto);
        return false;
    }
    const std::string typed = text.toStdString();
    const store::Photo& shown = *current_;
    // Nothing typed differs: nothing to write, and the last undo stays.
    if (typed == store::TextOf(shown.texts, field)) {
        EditDropped();
        return true;
    }
    LastEdit edit{store::Photo{shown.id, {}, shown.row}, field, store::TextOf(shown.texts, field),
                  typed};
    if (WriteField(field, typed, kNotSaved) != 0) return false;
    lastEdit_ = std::move(edit);
    return true;
}

void Module1::EditDropped() {
    if (!std::exchange(editedPhotoGone_, false)) return;
    // The album as after a deletion.
    try {
        Data1.Refresh();
    } catch (const store::StoreError&) {
        // Listeners have heard that nothing is open; the next command says why.
    }
    emit PictureCleared();
    ShowPhoto();
}

bool Module1::UndoLastEdit() {
    if (!lastEdit_ || !current_ || !current_->SameRow(lastEdit_->photo)) return false;
    const LastEdit undone = *std::exchange(lastEdit_, std::nullopt);
    // Only the text this program saved is taken back, never one another
    // program (or another Pictora) wrote over it since.
    if (store::TextOf(current_->texts, undone.field) != undone.saved) {
        dialogs.Message(FailureMessage(store::StoreError(store::err::TextChanged, ""), kNotUndone));
        return false;
    }
    const int refused = WriteField(undone.field, undone.previous, kNotUndone);
    // A refusal that may pass (a lock, a full disk) leaves the undo to try again.
    if (refused != 0 && refused != store::err::TextChanged && refused != store::err::PhotoGone)
        lastEdit_ = undone;
    // No box is open: a photo found gone goes at once.
    EditDropped();
    return refused == 0;
}

int Module1::WriteField(store::Field field, const std::string& text, const QString& notDone) {
    const store::Value id = current_->id;
    const std::string searchBefore = SearchStateBeforeWrite();
    try {
        Data1.Recordset().UpdateField(field, text);
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::NoCurrentRecord) {
            dialogs.Message(kNoPhoto);
        } else {
            dialogs.Message(FailureMessage(e, notDone));
        }
        if (e.number() == store::err::PhotoGone) editedPhotoGone_ = true;
        return e.number();
    }
    PhotoWritten(id, searchBefore);
    return 0;
}
