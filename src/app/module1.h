#pragma once

#include <QPointer>
#include <QString>
#include <optional>

class Dialogs;
class Platform;
class Form1;
class Form2;
class Form3;
class Picture;

// The program-wide values and the procedures several windows share. One is
// made in main() and lives for the whole run; tests make a fresh one each.
class Module1 {
public:
    Module1(Dialogs& dialogs, Platform& platform);
    ~Module1();
    Module1(const Module1&) = delete;
    Module1& operator=(const Module1&) = delete;

    // Program-wide values; none is saved.
    QString DatabasePath;    // the album path being tried, finally the one opened
    bool CdMode = false;     // true while an album kept on CD is shown
    QString CdDatabasePath;  // the path typed at the CD prompt
    QString CdDriveLetter;   // the root of the volume holding CdDatabasePath
    QString PickedFolder;    // folder of the last file clicked in the picker
    QString PickedFileName;  // name of that file

    // Shared procedures.
    void ShowPhoto();
    void OpenAlbum();
    void DeleteLocalCopy();
    void AddPhotoRecord();
    void ResetButtonHighlights();
    void HighlightButton(Picture& first, Picture& second);

    // The photo last picked in the photo list, while the album window's
    // activation is still to reopen the album; it then returns to that photo
    // and forgets it.
    std::optional<double> PickedPhotoId;
    void ReturnToPickedPhoto();

    // The windows. Form1 registers itself when it is made; the picker and the
    // photo list are loaded on demand and unloaded when they close.
    Form1* form1 = nullptr;
    Form2* LoadForm2();
    void UnloadForm2();
    Form3* LoadForm3();
    QPointer<Form2> form2;
    QPointer<Form3> form3;

    Dialogs& dialogs;
    Platform& platform;
};
