// The photo list's side of the album: its photos, and the photo picked.
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

bool Module1::PickPhoto(const QString& entry, bool listActive) {
    const store::Value number = PhotoNumberOfEntry(entry);

    try {
        Data1.Refresh();
        store::Cursor& rows = Data1.Recordset();
        rows.MoveFirst();
        if (!rows.SeekId(number)) {
            // As a scan through the album that found nothing: the cursor past
            // the last photo, the list still open.
            rows.MoveLast();
            rows.MoveNext();
            return false;
        }
    } catch (const store::StoreError&) {
        // The album was emptied, or went away, while the list was open.
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
