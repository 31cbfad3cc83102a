#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/data_control.h"

namespace store {
struct RelinkMapping;
}

struct AlbumSearch;
struct PictureAddition;
namespace adding {
struct Options;
struct Result;
}  // namespace adding
class Dialogs;
class Platform;

// The album the program shows, and the operations its windows share: finding
// and opening the album, the moves and the jump, deleting and adding a photo,
// the switch to an album on CD and back, and the photo picked in the photo
// list. It knows no window: the windows call it, and it tells them what
// changed through its signals (the current photo as a value, the picture to
// show, whether the album may be written). One is made in main() and lives
// for the whole run; tests make a fresh one each.
class Module1 : public QObject {
    Q_OBJECT
public:
    Module1(Dialogs& dialogs, Platform& platform,
            std::unique_ptr<store::Engine> engine = store::MakeSqliteEngine());
    ~Module1() override;

    // What the windows tell the user, in the program's message box.
    void Tell(const QString& message);
    // The question before the picker opens: true when the user goes on.
    bool ConfirmAddPhoto();
    // The volumes the picker offers, and the root of the one holding `path`
    // (empty when none is known).
    QStringList Drives() const;
    QString VolumeRoot(const QString& path) const;

    // The file last clicked in the picker: the one AddPhotoRecord adds.
    void PickFile(const QString& folder, const QString& fileName);
    const QString& PickedFolder() const { return pickedFolder_; }
    const QString& PickedFileName() const { return pickedFileName_; }

    // The photo under the cursor, as read from the album; nothing when the
    // cursor stands on none.
    const std::optional<store::Photo>& CurrentPhoto() const { return current_; }
    // Whether the album is open for reading only (and so takes no new photo).
    bool ReadOnly() const { return Data1.ReadOnly; }
    // Whether the album is open and holds no photo at all.
    bool AlbumEmpty();
    // The picture file of `photo`: its folder and name, under the CD's root
    // while an album on CD is shown.
    QString PicturePathOf(const store::PhotoTexts& photo) const;
    // Whether the folder and name of `photo` are too long to name any file
    // (told from their length alone).
    static bool NamesNoFile(const store::PhotoTexts& photo);

    // The pictures of the photos just before and just after the current one
    // in number order, read without moving the cursor: what the photo frame
    // may read ahead. Empty at either end, with no current photo, or when
    // the album cannot be read.
    QStringList NeighbourPicturePaths();
    // Whether a photo follows the current one in number order, the cursor
    // unmoved: false at the end, with no current photo, or when the album
    // cannot be read.
    bool HasPhotoAfter();
    // The picture OpenAlbum would show first at start-up, found without
    // asking anything and without opening the album for the program: the
    // first photo of the usual album, else of the album "pathdb" names.
    // Empty when there is none or it cannot be read.
    QString StartupPicturePath() const;

    // Start-up and every return to the album window: the usual album, else
    // the one "pathdb" names, else the one the user names; then its first
    // photo is shown.
    void OpenAlbum();
    // The album window became active again: the usual album is opened anew,
    // and a photo just picked in the photo list is returned to.
    void Activate();
    // Shows the current photo: its fields, and its picture.
    void ShowPhoto();

    // The album commands of the album window.
    void MoveFirst();
    void MovePrevious();
    void MoveNext();
    void MoveLast();
    void JumpToPhoto();         // asks for a number and goes to that photo
    void DeleteCurrentPhoto();  // asks, then deletes the current photo's row

    // Whether the current photo may be corrected: false with no photo, and
    // false on an album opened for reading only, the user then told why.
    bool MayEditPhoto();
    // Corrects `field` of the current photo to `text`, written verbatim when
    // it differs from what is shown, into the very row shown; the photo is
    // then read anew and shown. True when the album holds `text`; false when
    // the save was refused, the user told why and the old text kept (a text
    // another program changed meanwhile is shown as it now is). The photo's
    // previous text is kept for UndoLastEdit.
    bool SavePhotoField(store::Field field, const QString& text);
    // The edit of the current photo ended without a save: a photo a refused
    // save found gone is then left as after a deletion.
    void EditDropped();
    // Puts back, and saves, the text the last save replaced, while its photo
    // is still the current one and its field still holds the text saved;
    // one level. False when there is nothing to undo or the undo was
    // refused, the user told why.
    bool UndoLastEdit();
    bool CanUndoEdit() const { return lastEdit_.has_value(); }

    // The album on CD, and back: asks for the CD's album and shows a working
    // copy of it for reading, or, while one is shown, returns to the usual
    // album.
    void SwitchCdAlbum();
    void DeleteLocalCopy();

    // The picker's OK: asks for the new photo's five fields and adds it with
    // the picked file. True when the photo was added; on failure the user has
    // been told why and nothing was written.
    bool AddPhotoRecord();

    // Adding many photos at once (add_folder.cpp): AddFolder asks for a
    // folder, AddPictures takes the files and folders given (dropped on the
    // album window). The pictures are found, read and written on a worker,
    // in batches that commit whole; a progress box with Annulla shows after
    // half a second; at the end the summary is told and the first photo
    // added shown. Refused, the user told why, on an album that may only be
    // read and while another addition runs. `options` may set the batch and
    // watch and stop the addition from its worker.
    void AddFolder();
    void AddPictures(const QStringList& paths);
    void AddPictures(const QStringList& paths, const adding::Options& options);
    bool AddingPictures() const { return addition_ != nullptr; }

    // Every photo of the album now open, for the photo list; nothing when no
    // album is open or it cannot be read.
    std::unique_ptr<store::PhotoIndex> OpenPhotoIndex() const;
    // The same with each photo's picture, for the grid.
    std::unique_ptr<store::PhotoIndex> OpenPictureIndex() const;
    // The photo last picked in the photo list, while the album window's
    // activation is still to reopen the album; it then returns to that photo
    // and forgets it. Opening the list anew forgets it too.
    const std::optional<store::Value>& PickedPhotoId() const { return pickedPhotoId_; }
    void ForgetPickedPhoto() { pickedPhotoId_.reset(); }
    // Goes to the photo whose number starts the list entry `entry` and shows
    // it; false when the album has no such photo (the user is told so, and
    // the photo shown stays) or cannot be read. `listActive` tells whether
    // the list was the active window, so the photo is returned to after the
    // album window's activation reopens the album.
    bool PickPhoto(const QString& entry, bool listActive);
    // The picture file of the first photo numbered `number`, read without
    // moving the cursor (a few indexed lookups): what a grid tile shows.
    // Empty when there is none or the album cannot be read.
    QString PicturePathOfNumber(const store::Value& number);
    // The picture file of an index's photo: from the names it carries, else
    // looked up by its number.
    QString PicturePathOfEntry(const store::PhotoEntry& entry);

    // Finding the pictures of the album's photos after they moved: the user
    // picks the folder where they are now, the missing ones are looked for
    // under it on a worker thread, with progress and Annulla, and the user
    // is told how many were found. A native album's rows are rewritten all
    // at once; an album that is never written keeps what was learned in the
    // settings file, and its pictures are looked for there from then on
    // (relink_pictures.cpp).
    void FindMovedPictures();

    // Finding photos by their words (see store::PhotoSearch), through a word
    // index kept in the cache folder, one per album, built on a thread of
    // its own whenever the album changed since it was built.
    //
    // The words last typed in the photo list's search line.
    const QString& SearchWords() const { return searchWords_; }
    void KeepSearchWords(const QString& words) { searchWords_ = words; }
    // Makes sure the word index of the album now open can answer: when it
    // is stale or missing it is built, SearchProgress telling how far that
    // has come and SearchReady when it ends.
    void PrepareSearch();
    bool SearchBuilding() const;
    // The build waits for the album, which another program keeps locked.
    bool SearchWaiting() const;
    int SearchPercent() const;
    // Why the index could not be built; empty when it could.
    QString SearchError() const;
    // The photos whose fields hold every word of `words`, in number order:
    // numbers and titles, as the photo list shows them. Every photo when
    // `words` holds no word. Nothing while the index is built or when it
    // cannot be.
    std::unique_ptr<store::PhotoIndex> FindPhotos(const QString& words);

signals:
    // The cursor moved (or the album was opened or closed): the fields show
    // `photo`, blank when there is none.
    void CurrentPhotoChanged(const std::optional<store::Photo>& photo);
    // The photo frame is to show the picture at `path`.
    void PictureToShow(const QString& path);
    // The word index is being built: `percent` of it is done.
    void SearchProgress(int percent);
    // The word index was built, or could not be (SearchError says why).
    void SearchReady();
    // The photo frame is to be emptied before the next picture.
    void PictureCleared();
    // The album was opened for reading only (true) or for writing (false):
    // the add button works only in the second case.
    void ReadOnlyChanged(bool readOnly);
    // An addition of many photos ended: its summary told, its first photo
    // shown.
    void PicturesAdded();

private:
    // The tests' view of the album's state.
    friend struct Module1Probe;

    // Program-wide values; none is saved.
    QString DatabasePath;    // the album path being tried, finally the one opened
    bool CdMode = false;     // true while an album kept on CD is shown
    QString CdDatabasePath;  // the path typed at the CD prompt
    QString CdDriveLetter;   // the root of the volume holding CdDatabasePath

    // The album: file and the one cursor every command moves.
    store::DataControl Data1;

    QString searchWords_;

    // The program's message and input boxes, and its places on this desktop.
    Dialogs& dialogs;
    Platform& platform;

    QString pickedFolder_;    // folder of the last file clicked in the picker
    QString pickedFileName_;  // name of that file
    std::optional<store::Value> pickedPhotoId_;

    // The one place that sets the album's read-only state, and why.
    void SetReadOnly(bool readOnly,
                     store::ReadOnlyCause cause = store::ReadOnlyCause::FileOrMedium);
    store::ReadOnlyCause readOnlyCause_ = store::ReadOnlyCause::FileOrMedium;
    // Opens Data1 anew; an album that may not be written is opened for
    // reading instead.
    void RefreshAlbum();
    // After a failed addition: the album again, on the photo shown before.
    void ReopenAlbum(const std::optional<store::Value>& shownId);
    void AskForAlbumPath();

    // The CD switch's steps: the way back, the question, the copy and the
    // opening. Each returns the step that follows.
    enum class CdStep { Return, Ask, Open, Done };
    CdStep RunCdStep(CdStep step);
    void ReturnFromCd();
    CdStep AskCdPath();
    void OpenCdAlbum();
    void BackToUsualAlbum();
    bool readingStopped_ = false;  // the user stopped the CD album's reading
    void ReturnToPickedPhoto();
    void PickedPhotoGone(const store::Value& number, const std::optional<store::Value>& shownId);

    // Writes `text` into `field` of the current photo; a refusal is told
    // with `notDone` after its cause. The refusal's number, 0 when written.
    int WriteField(store::Field field, const std::string& text, const QString& notDone);
    // A refused save found its photo gone, the window still showing it.
    bool editedPhotoGone_ = false;

    // The search of the album now open, made when first needed.
    bool OpenSearch();
    void BuildSearchIndex();
    void BuildAdvanced(int generation, int percent, bool waiting);
    void BuildEnded(int generation, const QString& error);
    // Around every write of this program to the album: what the album
    // looked like before it, then the photo written, so the word index
    // follows the write without being built again.
    std::string SearchStateBeforeWrite();
    void PhotoWritten(const store::Value& id, const std::string& before);
    std::unique_ptr<AlbumSearch> search_;

    // The addition under way, if any; ended (its worker stopped) before the
    // album goes.
    bool MayAddPictures();
    void AdvanceAddition();
    void EndAddition();
    void TellAddition(const adding::Result& result);
    std::unique_ptr<PictureAddition> addition_;

    std::optional<store::Photo> current_;

    // The new place of `folder` for an album that is never written, by the
    // mappings the settings file keeps for it; nothing when none applies.
    std::optional<std::string> MovedFolder(const std::string& folder) const;
    // The album file the mappings are kept for: the CD's, not its copy.
    QString OwnAlbumPath() const;
    struct KeptMappings;
    mutable std::shared_ptr<KeptMappings> kept_;  // read once per album
    void KeepLearned(const std::vector<store::RelinkMapping>& learned);
    void RereadShownPhoto();
    void PhotosWritten(const std::vector<store::Value>& ids, const std::string& before);
    // The field last saved, on which photo (its number and row), the text it
    // replaced and the text saved.
    struct LastEdit {
        store::Photo photo;
        store::Field field;
        std::string previous;
        std::string saved;
    };
    std::optional<LastEdit> lastEdit_;
};
