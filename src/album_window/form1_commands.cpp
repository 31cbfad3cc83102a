// The album window's buttons: each hands its command to the album, or opens
// the picker or the photo list.
#include "add_photo/form2.h"
#include "album_window/form1.h"
#include "app/module1.h"
#include "photo_list/form3.h"

void Form1::Image9_Click() {
    if (!FinishEdit()) return;
    module.MoveFirst();
}
void Form1::Image8_Click() {
    if (!FinishEdit()) return;
    module.MovePrevious();
}
void Form1::Image5_Click() {
    if (!FinishEdit()) return;
    module.MoveNext();
}
void Form1::Image10_Click() {
    if (!FinishEdit()) return;
    module.MoveLast();
}
void Form1::Image4_Click() {
    if (!FinishEdit()) return;
    module.JumpToPhoto();
}
void Form1::Image12_Click() {
    if (!FinishEdit()) return;
    module.DeleteCurrentPhoto();
}
void Form1::Image7_Click() {
    if (!FinishEdit()) return;
    module.SwitchCdAlbum();
}

void Form1::Image6_Click() {
    if (!FinishEdit()) return;
    // Picture drops the clicks of a disabled add button; this guards a
    // direct call too.
    if (!Image6->Enabled()) return;
    if (!module.ConfirmAddPhoto()) return;
    const bool loaded = form2;
    Form2* picker = LoadForm2();
    if (!loaded) picker->move(geometry().center() - picker->rect().center());
    // Modeless and without owner: the album window stays usable.
    picker->setWindowState(picker->windowState() & ~Qt::WindowMinimized);
    picker->show();
    picker->raise();
    picker->activateWindow();
}

// Opens the photo list, or brings it to the front, with the album's photos.
void Form1::OpenPhotoList() {
    module.ForgetPickedPhoto();
    Form3* list = LoadForm3();
    list->FillList();
    list->show();
    list->raise();
    list->activateWindow();
}

// Ctrl+F: the photo list, ready for the words of the photo sought.
void Form1::FindPhoto() {
    if (!FinishEdit()) return;
    OpenPhotoList();
    form3->FocusSearch();
}

void Form1::Image1_Click() {
    if (!FinishEdit()) return;
    OpenPhotoList();
}
void Form1::Label3_Click() {
    if (!FinishEdit()) return;
    OpenPhotoList();
}
