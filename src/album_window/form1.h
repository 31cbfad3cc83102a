#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <array>
#include <optional>
#include <utility>

#include "store/photo.h"
#include "widgets/long_line_box.h"
#include "widgets/long_text_box.h"
#include "widgets/picture.h"

class Module1;
class Form2;
class Form3;
class QMenu;
class QPushButton;
namespace pictures {
class PictureLoader;
class WholePictures;
struct Picture;
}  // namespace pictures
namespace store {
enum class Field;
}
namespace viewer {
class FullScreenView;
}

// The album window: one photo at a time, its fields beside it, and the
// picture buttons above and below them. Frameless; the program draws its own
// minimise and close glyphs and moves it by its background.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // `loader` reads the pictures for the photo frame; it outlives the window
    // and may already be reading the first photo's picture.
    Form1(Module1& module, pictures::PictureLoader& loader, QWidget* parent = nullptr);
    ~Form1() override;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The tests' view of what no control shows.
    friend struct Form1Probe;

    Module1& module;
    pictures::PictureLoader& loader;

    // The current photo's fields, shown as the album hands them over (Text7
    // and Text8 are never shown).
    LongLineBox* Text1;  // id
    LongLineBox* Text2;  // titolo
    LongLineBox* Text3;  // data_scatto
    LongLineBox* Text4;  // luogo
    LongTextBox* Text5;  // persone
    LongTextBox* Text6;  // note
    LongLineBox* Text7;  // percorso_file
    LongLineBox* Text8;  // nome_file

    // The photo.
    Picture* Image1;
    // Said inside the photo frame, in place of a picture that cannot be shown.
    QLabel* PictureNoticeLabel;
    // Under the notice of a picture not found: "Cerca le foto spostate…"
    // (find_moved.cpp).
    QPushButton* FindMovedButton = nullptr;
    void BuildFindMoved();
    void OfferFindMoved(bool offered);
    void FindMoved();
    // Caption pictures above the fields.
    Picture* Image20;
    Picture* Image21;
    Picture* Image22;
    Picture* Image23;
    Picture* Image24;
    Picture* Image25;
    // Highlighted minimise and close glyphs, over their hover zones.
    Picture* Image2;
    Picture* Image3;
    HoverLabel* Label1;  // minimise zone
    HoverLabel* Label2;  // close zone
    HoverLabel* Label3;  // over the book glyph: opens the photo list

    // Button pairs: normal picture, highlighted picture.
    Picture* Image16;  // first
    Picture* Image9;
    Picture* Image19;  // previous
    Picture* Image8;
    Picture* Image18;  // next
    Picture* Image5;
    Picture* Image17;  // last
    Picture* Image10;
    Picture* Image14;  // add
    Picture* Image6;
    Picture* Image11;  // delete
    Picture* Image12;
    Picture* Image13;  // jump to a number
    Picture* Image4;
    Picture* Image15;  // other database (CD)
    Picture* Image7;

    // The picker and the photo list, loaded on demand and unloaded when they
    // close.
    QPointer<Form2> form2;
    QPointer<Form3> form3;
    Form2* LoadForm2();
    void UnloadForm2();
    Form3* LoadForm3();

    // Shows `photo`'s number and texts in the fields; blank fields for none.
    void ShowFields(const std::optional<store::Photo>& photo);
    // Puts the picture at `path` in the photo frame, fitted to it, at once
    // if it is ready, else when the loader has read it, then reads the
    // neighbouring photos' pictures ahead. With no current row (an empty
    // album, a CD's root) the frame stays as it was; a file that cannot be
    // shown empties it and says why, inside the frame.
    void ShowPhoto(const QString& path);
    // Empties the photo frame before the next picture.
    void ClearPhoto();

    // Button highlighting: every button of the album window at rest, and one
    // pair swapped so the pointer's picture is lit.
    void ResetButtonHighlights();
    void HighlightButton(Picture& first, Picture& second);
    // The button pairs: normal picture, highlighted picture.
    std::array<std::pair<Picture*, Picture*>, 8> ButtonPairs() const;

    // Drag state of the window background, in twips.
    bool DragActive = false;
    float DragStartX = 0;
    float DragStartY = 0;
    // A press on the background, or a right press on the photo, starts a
    // drag; its release ends it, and a right click that did not drag opens
    // the photo's menu. Where the right button was pressed, on the screen.
    void StartDrag(const QMouseEvent& event);
    void EndDrag(const QMouseEvent& event);
    std::optional<QPointF> rightPress_;

    // Activation: the first showing, and every return to this window from
    // another window of the program (the picker, the photo list). Closing a
    // message or input box is not one, nor is coming back from another
    // application.
    void Form_Activate();
    // Whether a change of the focused window from `previous` to `now` is a
    // return to the album window from another window of the program.
    bool IsActivation(QWindow* previous, QWindow* now) const;
    // The application's focused window changed (nullptr: to another
    // application).
    void FocusWindowChanged(QWindow* now);

    // Click handlers, on the highlighted pictures only.
    void Image9_Click();   // first photo
    void Image8_Click();   // previous photo
    void Image5_Click();   // next photo
    void Image10_Click();  // last photo
    void Image6_Click();   // add a photo
    void Image12_Click();  // delete the photo
    void Image4_Click();   // jump to a number
    void Image7_Click();   // album on CD, and back
    void Image2_Click();   // minimise
    void Image3_Click();   // close the program
    void Image1_Click();   // photo list
    void Label3_Click();   // photo list

    // Correcting a field in place: F2 or a double-click on the title, date,
    // place, people or notes box unlocks it (on an album that may be
    // written); Enter (Ctrl+Enter in the two multi-line boxes) or the focus
    // leaving saves, Esc puts the text back. FinishEdit saves the field being
    // edited, if any: every other command calls it first, and goes on only
    // when it returns true; a refused save keeps the box open with the text
    // typed. UndoEdit (Ctrl+Z) undoes the last save.
    void StartEdit(EditableBox& box);
    bool FinishEdit();
    void CancelEdit();
    void UndoEdit();

    // The current photo full screen, on the screen the window is on (F11);
    // made on first use.
    void ShowFullScreen();
    // The same, straight on the grid of thumbnails (F12, "Provini").
    void ShowGrid();
    viewer::FullScreenView* FullScreen = nullptr;
    // The photo frame's menu, its items enabled for the current photo: full
    // screen, the folder, the picture and its path to the clipboard.
    QMenu* PhotoMenu();
    // Pops it up at `at`, in the window's coordinates, when that lies in the
    // photo frame; at the photo's centre for the menu key.
    void OpenPhotoMenu(QPoint at);
    void OpenPhotoMenuByKey();
    // "Copia immagine": the whole picture to the clipboard once a worker has
    // read it, or a message saying why it cannot be.
    void CopyPicture(const QString& path);
    pictures::WholePictures* wholePictures_ = nullptr;

    // Many photos at once (add_folder.cpp): a folder asked for (the photo
    // menu, Ctrl+Shift+A), or the local files and folders dropped on the
    // window.
    void AddFolder();
    void AddDropped(const QStringList& paths);
    void BuildDrops();

    // Pointer moves.
    void Form_MouseMove(float x, float y);
    void Label1_MouseMove();
    void Label2_MouseMove();

    void BuildControls();
    void NameControls();
    void NameForScreenReaders();
    void BuildButtons();
    void BuildFieldBoxes();
    void BuildKeys();
    void BuildPhotoMenu();
    void ConnectAlbum();
    void ConnectHandlers();
    void ConnectEditing();
    // The boxes that may be corrected, and the field each shows.
    std::array<EditableBox*, 5> EditableBoxes() const;
    store::Field FieldOf(const EditableBox& box) const;
    // Called before the fields show a photo anew: a box still being edited
    // (no command finished it) is locked without saving, so nothing typed for
    // one photo is ever saved into another.
    void DropEdit();
    // Puts `text` back in `box` after the fields were shown anew.
    void ShowTyped(EditableBox& box, const QString& text);
    void OpenPhotoList();
    void FindPhoto();
    // The photo frame's notice, and the loader's pictures delivered to it.
    void BuildPictureFrame();
    // A picture the loader read; shown if it is the one the frame waits for.
    void PictureLoaded(const QString& path, const pictures::Picture& picture);
    // The frame's picture, or a notice of why there is none.
    void ShowPicture(const pictures::Picture& picture);
    // Pictures are read for the density of the screen the window is on.
    void FollowScreen();
    void ScreenChanged();
    // Starts reading the neighbours' pictures the last ShowPhoto found.
    void ReadAhead();

    QImage background_;
    qreal frameRatio_ = 0;
    QStringList readAhead_;
    // The absolute path of the picture the frame waits for, if any.
    QString wantedPicture_;
    bool shownOnce_ = false;
    QPointer<QWindow> lastFocusWindow_;
    bool lastFocusFromProgramWindow_ = false;
    EditableBox* editing_ = nullptr;  // the box being edited, if any
    store::Photo editingRow_;         // the number and row of the photo it belongs to
};
