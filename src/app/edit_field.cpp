// Correcting a text of the current photo in place, and undoing the last
// correction.
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/store_messages.h"

namespace {

const char* const kNoPhoto = "Non è presente alcuna foto!";
const char* const kNotSaved = ": la modifica non è stata salvata.";

const std::string& TextOf(const store::PhotoTexts& texts, store::Field field) {
    switch (field) {
        case store::Field::Title:
            return texts.titolo;
        case store::Field::Date:
            return texts.data_scatto;
        case store::Field::Place:
            return texts.luogo;
        case store::Field::People:
            return texts.persone;
        case store::Field::Notes:
            break;
    }
    return texts.note;
}

}  // namespace

bool Module1::SavePhotoField(store::Field field, const QString& text) {
    if (!current_) {
        dialogs.Message(kNoPhoto);
        return false;
    }
    const std::string typed = text.toStdString();
    const store::Photo before = *current_;
    const std::string& previous = TextOf(before.texts, field);
    // Nothing typed differs: nothing to write, and the last undo stays.
    if (typed == previous) return true;
    const std::string searchBefore = SearchStateBeforeWrite();
    try {
        Data1.Recordset().UpdateField(field, typed);
    } catch (const store::StoreError& e) {
        TellEditRefused(e);
        return false;
    }
    PhotoWritten(before.id, searchBefore);
    lastEdit_ = LastEdit{before.id, field, QString::fromStdString(previous)};
    return true;
}

bool Module1::UndoLastEdit() {
    if (!lastEdit_ || !current_ || !(current_->id == lastEdit_->id)) return false;
    const LastEdit undone = *lastEdit_;
    if (!SavePhotoField(undone.field, undone.previous)) return false;
    // One level: the undo itself is not undone.
    lastEdit_.reset();
    return true;
}

void Module1::TellEditRefused(const store::StoreError& e) {
    if (e.number() == store::err::NoCurrentRecord) {
        dialogs.Message(kNoPhoto);
        return;
    }
    dialogs.Message(Sentence(StoreErrorCause(e.number())) + kNotSaved);
    if (e.number() != store::err::PhotoGone) return;
    // The photo is gone: the album as after a deletion.
    try {
        Data1.Refresh();
    } catch (const store::StoreError&) {
        // Listeners have heard that nothing is open; the next command says why.
    }
    emit PictureCleared();
    ShowPhoto();
}
