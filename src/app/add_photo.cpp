// The picker's OK: the five questions, and the new photo added to the album.
#include <QFile>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/store_messages.h"
#include "metadata/fields.h"

namespace {

const char* const kPrompts[] = {"TITOLO DELLA FOTO?", "DATA DELLA FOTO? (gg/mm/aa)", "LUOGO?",
                                "PERSONE PRESENTI?", "NOTE?"};

const char* const kConfirmAdd =
    "Ora dovrai compilare dei campi, i quali verranno inseriti nel DataBase. Potrai anche "
    "lasciare i campi vuoti. Vuoi continuare?";

QString AddFailureMessage(int number) {
    const QString head = "Impossibile aggiungere la foto: ";
    if (number == store::err::NumberRangeFull)
        return head + "il DataBase ha già raggiunto il numero di foto più alto possibile.";
    return head + StoreErrorCause(number) + ".";
}

}  // namespace

bool Module1::ConfirmAddPhoto() {
    return dialogs.Question(kConfirmAdd);
}

void Module1::PickFile(const QString& folder, const QString& fileName) {
    pickedFolder_ = folder;
    pickedFileName_ = fileName;
}

void Module1::ReopenAlbum(const std::optional<store::Value>& shownId) {
    try {
        RefreshAlbum();
        if (shownId) Data1.Recordset().SeekId(*shownId);
    } catch (const store::StoreError&) {
        // Nothing to show; the next activation of the album window looks for
        // the album again.
        return;
    }
    ShowPhoto();
}

bool Module1::AddPhotoRecord() {
    // Every question is asked; Cancel only leaves that answer empty.
    // Each offers what the picture itself says, if anything.
    store::PhotoTexts picked;
    picked.nome_file = pickedFileName_.toStdString();
    picked.percorso_file = pickedFolder_.toStdString();
    // No file picked leaves the folder alone, unread.
    const metadata::Fields own =
        pickedFileName_.isEmpty()
            ? metadata::Fields{}
            : metadata::ReadFields(QFile::encodeName(PicturePathOf(picked)).toStdString());
    const std::string* const offered[] = {&own.title, &own.date_taken, &own.place, &own.people,
                                          &own.notes};
    std::string answers[std::size(kPrompts)];
    for (std::size_t i = 0; i < std::size(kPrompts); ++i)
        answers[i] = dialogs.Input(kPrompts[i], QString::fromStdString(*offered[i])).toStdString();
    const store::PhotoTexts texts{answers[0],
                                  answers[1],
                                  answers[2],
                                  answers[3],
                                  answers[4],
                                  pickedFileName_.toStdString(),
                                  pickedFolder_.toStdString()};

    const std::optional<store::Value> shownId =
        current_ ? std::optional<store::Value>(current_->id) : std::nullopt;
    bool opened = false;
    try {
        // Opened anew, so an album gone, or no longer writable, since it was
        // opened says so before anything is written.
        Data1.Refresh();
        opened = true;
        const std::string searchBefore = SearchStateBeforeWrite();
        PhotoWritten(Data1.InsertPhoto(texts), searchBefore);
    } catch (const store::StoreError& e) {
        // Nothing was written: the picker stays open for another try.
        dialogs.Message(AddFailureMessage(e.number()));
        // An album locked even for reading would only keep the user waiting
        // as long again; the album window's next activation opens it.
        if (opened || e.number() != store::err::Locked) ReopenAlbum(shownId);
        return false;
    }

    try {
        Data1.Refresh();
        Data1.Recordset().MoveLast();
        ShowPhoto();
    } catch (const store::StoreError&) {
        // The photo is in. The album window's activation, which follows,
        // opens the album again and says what stops it.
    }
    return true;
}
