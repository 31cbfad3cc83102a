#include "app/module1.h"

#include "app/add_folder.h"
#include "app/album_search.h"
#include "app/dialogs.h"
#include "app/picture_path.h"
#include "app/platform.h"
#include "app/working_copy.h"

Module1::Module1(Dialogs& dialogs, Platform& platform, std::unique_ptr<store::Engine> engine)
    : Data1(std::move(engine)),
      dialogs(dialogs),
      platform(platform),
      search_(std::make_unique<AlbumSearch>(platform.SearchIndexFolder().toStdString())) {
    // The album hands over the photo under its cursor as a value, after every
    // opening, move and deletion; the album window's fields show it.
    Data1.AddListener([this](const store::Photo* photo) {
        if (photo)
            current_ = *photo;
        else
            current_.reset();
        // Undo belongs to the photo just corrected; another photo ends it.
        if (lastEdit_ && (!current_ || !current_->SameRow(lastEdit_->photo))) lastEdit_.reset();
        editedPhotoGone_ = false;
        emit CurrentPhotoChanged(current_);
    });
}

Module1::~Module1() = default;

void Module1::Tell(const QString& message) {
    dialogs.Message(message);
}

QStringList Module1::Drives() const {
    return platform.Drives();
}

QString Module1::VolumeRoot(const QString& path) const {
    return platform.VolumeRoot(path);
}

QString Module1::PicturePathOf(const store::PhotoTexts& photo) const {
    // A folder found again for an album that is never written is under its
    // new place, wherever the album is.
    if (const std::optional<std::string> moved = MovedFolder(photo.percorso_file))
        return StoredPicturePath(false, {}, *moved, photo.nome_file);
    return StoredPicturePath(CdMode, CdDriveLetter, photo.percorso_file, photo.nome_file);
}

bool Module1::NamesNoFile(const store::PhotoTexts& photo) {
    return ::NamesNoFile(photo.percorso_file.size(), photo.nome_file.size());
}

void Module1::ShowPhoto() {
    // With no photo under the cursor the path names a folder, which the
    // photo frame leaves as it is.
    emit PictureToShow(PicturePathOf(current_ ? current_->texts : store::PhotoTexts{}));
}

bool Module1::AlbumEmpty() {
    if (current_ || !Data1.IsOpen()) return false;
    try {
        // Both ends at once only on an album with no photo.
        const store::Cursor& rows = Data1.Recordset();
        return rows.Bof() && rows.Eof();
    } catch (const store::StoreError&) {
        return false;
    }
}

QStringList Module1::NeighbourPicturePaths() {
    QStringList paths;
    if (!current_ || !Data1.IsOpen()) return paths;
    try {
        store::Cursor& rows = Data1.Recordset();
        for (const auto& photo :
             {rows.PicturePlaceBefore(*current_), rows.PicturePlaceAfter(*current_)})
            if (photo && !NamesNoFile(photo->texts)) paths << PicturePathOf(photo->texts);
    } catch (const store::StoreError&) {
        // Reading ahead is only a help: the photo itself is already shown.
    }
    return paths;
}

bool Module1::HasPhotoAfter() {
    if (!current_ || !Data1.IsOpen()) return false;
    try {
        return Data1.Recordset().PhotoAfter(*current_).has_value();
    } catch (const store::StoreError&) {
        return false;
    }
}

void Module1::SetReadOnly(bool readOnly, store::ReadOnlyCause cause) {
    Data1.ReadOnly = readOnly;
    readOnlyCause_ = cause;
    emit ReadOnlyChanged(readOnly);
}

void Module1::RefreshAlbum() {
    try {
        Data1.Refresh();
    } catch (const store::StoreError& e) {
        if (e.number() != store::err::CannotOpenForWriting || Data1.ReadOnly) throw;
        // An album on a medium that may not be written: shown, not changed.
        SetReadOnly(true, e.readOnlyCause());
        // A write cut short there cannot be undone where it is: the album is
        // read from a working copy in which it is, as an album on CD.
        const QString album = QString::fromStdString(Data1.DatabaseName);
        if (HasJournal(album) && !IsAccessFormat(album)) {
            const QString copy = platform.RolledBackCopyPath();
            dialogs.WhileBusy([&] { MakeRolledBackCopy(album, copy); });
            Data1.DatabaseName = copy.toStdString();
        }
        Data1.Refresh();
    }
}

void Module1::Activate() {
    CdMode = false;
    OpenAlbum();
    ReturnToPickedPhoto();
}
