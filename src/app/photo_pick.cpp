// The photo list's side of the album: its photos, and the photo picked.
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/photo_numbers.h"

std::unique_ptr<store::PhotoIndex> Module1::OpenPhotoIndex() const {
    if (!Data1.IsOpen()) return nullptr;
    try {
        return Data1.OpenPhotoIndex();
    } catch (const store::StoreError&) {
        // An album that cannot be read for the list gives an empty one.
        return nullptr;
    }
}

std::unique_ptr<store::PhotoIndex> Module1::OpenPictureIndex() const {
    if (!Data1.IsOpen()) return nullptr;
    try {
        return Data1.OpenPictureIndex();
    } catch (const store::StoreError&) {
        // An album that cannot be read for the list gives an empty one.
        return nullptr;
    }
}

bool Module1::PickPhoto(const QString& entry, bool listActive) {
    const store::Value number = PhotoNumberOfEntry(entry);
    const std::optional<store::Value> shownId =
        current_ ? std::optional<store::Value>(current_->id) : std::nullopt;

    bool found = false;
    try {
        Data1.Refresh();
        found = Data1.Recordset().SeekId(number);
    } catch (const store::StoreError&) {
        // The album went away while the list was open.
        return false;
    }
    if (!found) {
        PickedPhotoGone(number, shownId);
        return false;
    }
    ShowPhoto();

    // Hiding the list makes the album window active again, and its activation
    // reopens the album on its first photo; the picked one is then sought
    // again. An album on CD is dropped by that activation, so its photo has
    // nothing to return to.
    if (listActive && !CdMode) pickedPhotoId_ = number;
    return true;
}

void Module1::PickedPhotoGone(const store::Value& number,
                              const std::optional<store::Value>& shownId) {
    // Another program deleted it while the list was open: the album window
    // goes on showing the photo it showed, fields and picture alike, or the
    // first one when that went too, before the user is told.
    try {
        if (shownId) Data1.Recordset().SeekId(*shownId);
    } catch (const store::StoreError&) {
        // The refresh left the cursor on the first photo.
    }
    if (!current_) emit PictureCleared();
    ShowPhoto();
    dialogs.Message("La foto " + QString::fromStdString(number.toText()) +
                    " non è più nell'album.");
}

void Module1::ReturnToPickedPhoto() {
    if (!pickedPhotoId_) return;
    const store::Value number = *pickedPhotoId_;
    pickedPhotoId_.reset();
    try {
        if (Data1.Recordset().SeekId(number)) ShowPhoto();
    } catch (const store::StoreError&) {
        // The album did not open: there is no photo to return to.
    }
}

QString Module1::PicturePathOfEntry(const store::PhotoEntry& entry) {
    if (!entry.picture) return PicturePathOfNumber(entry.id);
    store::PhotoTexts texts;
    texts.percorso_file = entry.picture->folder;
    texts.nome_file = entry.picture->name;
    return NamesNoFile(texts) ? QString() : PicturePathOf(texts);
}

QString Module1::PicturePathOfNumber(const store::Value& number) {
    if (!Data1.IsOpen()) return {};
    try {
        store::Cursor& rows = Data1.Recordset();
        // The first photo of the number follows the last one below it; with
        // none below, it is the one before the first above it.
        std::optional<store::Photo> photo;
        if (const auto before = rows.PicturePlaceBefore(number))
            photo = rows.PicturePlaceAfter(*before);
        else if (const auto above = rows.PicturePlaceAfter(number))
            photo = rows.PicturePlaceBefore(*above);
        else
            photo = Data1.PeekFirstPhoto(Data1.DatabaseName);
        if (!photo || !(photo->id == number) || NamesNoFile(photo->texts)) return {};
        return PicturePathOf(photo->texts);
    } catch (const store::StoreError&) {
        return {};
    }
}
