#include "add_photo/form2.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "widgets/artwork.h"
#include "widgets/picture.h"
#include "widgets/program_window.h"
#include "app/module1.h"
#include "widgets/twips.h"

namespace {

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
    Dir1->volumeRoot = [&module](const QString& path) { return module.VolumeRoot(path); };
    File1 = new FileListBox(this);
    File1->setGeometry(TwipsRect(720, 3000, 3015, 1455));
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);

    Image1 = OkPicture(this, "ok_off.ico", true);
    Image3 = OkPicture(this, "ok_on.ico", false);
    // Every control answers to its name, as tools and tests look it up.
    const std::pair<QWidget*, const char*> names[] = {
        {Drive1, "Drive1"}, {Dir1, "Dir1"}, {File1, "File1"}, {Image1, "Image1"}, {Image3, "Image3"},
    };
    for (const auto& [control, name] : names) control->setObjectName(QString::fromLatin1(name));
    // To screen readers the OK pair is one button, whichever picture shows.
    for (Picture* ok : {Image1, Image3}) {
        MarkAsButton(ok, Image3);
        ok->setAccessibleName("OK");
        ok->setAccessibleDescription("Aggiunge all'album il file scelto");
    }

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
    Drive1->SetDrives(module.Drives());
    // The lists open on the process's current folder; one that has gone
    // away or cannot be read leaves the root of the file system.
    if (!Dir1->SetPath(QDir::currentPath())) Dir1->SetPath(QDir::rootPath());
    FollowDrive();
}

void Form2::FollowDrive() {
    const QString root = module.VolumeRoot(Dir1->Path());
    Drive1->SetDrive(root.isEmpty() ? QDir::rootPath() : root);
}

void Form2::Drive1_Change() {
    const QString drive = Drive1->Drive();
    if (Dir1->SetPath(drive)) return;
    // A drive without a medium, or one that has gone: the lists stay where
    // they were.
    module.Tell("Impossibile leggere l'unità " + drive);
    FollowDrive();
}

void Form2::Dir1_Change() {
    File1->SetPath(Dir1->Path());
    FollowDrive();
}

void Form2::Dir1_Unreadable(const QString& path) {
    module.Tell("Impossibile leggere la cartella " + path);
    // Shows the current folder's subfolders as they are now.
    Dir1->SetPath(Dir1->Path());
}

void Form2::File1_PathChange() {
    File1->SetPattern(kPicturePattern);
}

void Form2::File1_Click() {
    module.PickFile(File1->Path(), File1->FileName());
}

void Form2::Image3_Click() {
    if (module.AddPhotoRecord()) emit PhotoAdded();
}

void Form2::Form_MouseMove() {
    Image3->setVisible(false);
    Image1->setVisible(true);
}

// Over either picture of the OK pair, the pair is lit and every button of
// the album window put at rest.
void Form2::Image1_MouseMove() {
    Form_MouseMove();
    emit ButtonLit();
    Image1->setVisible(false);
    Image3->setVisible(true);
}

void Form2::Image3_MouseMove() {
    Image1_MouseMove();
}

void Form2::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    event->accept();
}

void Form2::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), background_);
}
