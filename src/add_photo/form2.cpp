#include "add_photo/form2.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "album_window/form1.h"
#include "album_window/picture.h"
#include "app/artwork.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "app/twips.h"

namespace {

const char* const kConfirmAdd =
    "Ora dovrai compilare dei campi, i quali verranno inseriti nel DataBase. Potrai anche "
    "lasciare i campi vuoti. Vuoi continuare?";

Picture* OkPicture(QWidget* parent, const char* artwork, bool shown) {
    auto* picture = new Picture(parent);
    picture->setGeometry(TwipsRect(1920, 4680, 480, 480));
    picture->SetStretch(true);
    picture->SetPicture(Artwork(artwork));
    picture->setVisible(shown);
    return picture;
}

}  // namespace

Form2::Form2(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle("Pictora");
    setWindowIcon(QIcon(QPixmap::fromImage(Artwork("pictora.ico"))));
    setFixedSize(TwipsToPixels(4500), TwipsToPixels(5400));
    setMouseTracking(true);
    background_ = Artwork("form2_background.jpg");

    Drive1 = new DriveListBox(this);
    Drive1->setGeometry(TwipsRect(720, 720, 3015, 315));
    Dir1 = new DirListBox(this);
    Dir1->setGeometry(TwipsRect(720, 1200, 3015, 1665));
    Dir1->volumeRoot = [&platform = module.platform](const QString& path) {
        return platform.VolumeRoot(path);
    };
    File1 = new FileListBox(this);
    File1->setGeometry(TwipsRect(720, 3000, 3015, 1455));
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);

    Image1 = OkPicture(this, "ok_off.ico", true);
    Image3 = OkPicture(this, "ok_on.ico", false);

    connect(Drive1, &DriveListBox::Change, this, &Form2::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form2::Dir1_Change);
    connect(Dir1, &DirListBox::Unreadable, this, &Form2::Dir1_Unreadable);
    connect(File1, &FileListBox::PathChange, this, &Form2::File1_PathChange);
    connect(File1, &FileListBox::Click, this, &Form2::File1_Click);
    connect(Image3, &Picture::Click, this, &Form2::Image3_Click);
    connect(Image1, &Picture::MouseMove, this, &Form2::Image1_MouseMove);
    connect(Image3, &Picture::MouseMove, this, &Form2::Image3_MouseMove);

    Form_Load();
}

void Form2::Form_Load() {
    File1->SetPattern(kPicturePattern);
    Drive1->SetDrives(module.platform.Drives());
    // The lists open on the process's current folder; one that has gone
    // away or cannot be read leaves the root of the file system.
    if (!Dir1->SetPath(QDir::currentPath())) Dir1->SetPath(QDir::rootPath());
    FollowDrive();
}

void Form2::FollowDrive() {
    const QString root = module.platform.VolumeRoot(Dir1->Path());
    Drive1->SetDrive(root.isEmpty() ? QDir::rootPath() : root);
}

void Form2::Drive1_Change() {
    const QString drive = Drive1->Drive();
    if (Dir1->SetPath(drive)) return;
    // A drive without a medium, or one that has gone: the lists stay where
    // they were.
    module.dialogs.Message("Impossibile leggere l'unità " + drive);
    FollowDrive();
}

void Form2::Dir1_Change() {
    File1->SetPath(Dir1->Path());
    FollowDrive();
}

void Form2::Dir1_Unreadable(const QString& path) {
    module.dialogs.Message("Impossibile leggere la cartella " + path);
    // Shows the current folder's subfolders as they are now.
    Dir1->SetPath(Dir1->Path());
}

void Form2::File1_PathChange() {
    File1->SetPattern(kPicturePattern);
}

void Form2::File1_Click() {
    module.PickedFolder = File1->Path();
    module.PickedFileName = File1->FileName();
}

void Form2::Image3_Click() {
    module.AddPhotoRecord();
}

void Form2::Form_MouseMove() {
    Image3->setVisible(false);
    Image1->setVisible(true);
}

void Form2::Image1_MouseMove() {
    Form_MouseMove();
    module.HighlightButton(*Image1, *Image3);
}

void Form2::Image3_MouseMove() {
    Form_MouseMove();
    module.HighlightButton(*Image3, *Image1);
}

void Form2::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    event->accept();
}

void Form2::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}

Form2* Module1::LoadForm2() {
    if (!form2) form2 = new Form2(*this);
    return form2;
}

void Module1::UnloadForm2() {
    if (!form2) return;
    Form2* picker = form2;
    // The next opening loads a fresh picker, even before this one is gone.
    form2 = nullptr;
    picker->hide();
    picker->deleteLater();
}

void Form1::Image6_Click() {
    // Picture drops the clicks of a disabled add button; this guards a
    // direct call too.
    if (!Image6->Enabled()) return;
    if (!module.dialogs.Question(kConfirmAdd)) return;
    const bool loaded = module.form2;
    Form2* picker = module.LoadForm2();
    if (!loaded) picker->move(geometry().center() - picker->rect().center());
    // Modeless and without owner: the album window stays usable.
    picker->setWindowState(picker->windowState() & ~Qt::WindowMinimized);
    picker->show();
    picker->raise();
    picker->activateWindow();
}
