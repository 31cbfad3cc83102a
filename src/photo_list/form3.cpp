#include "photo_list/form3.h"

#include "album_window/form1.h"
#include "app/module1.h"
#include "app/twips.h"
#include "app/val.h"
#include "photo_list/photo_list_model.h"
#include "store/photo_index.h"

Form3::Form3(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
    // Closing it with its title-bar button unloads it; a pick only hides it.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Form3");
    resize(TwipsToPixels(4650), TwipsToPixels(3165));

    List1 = new QListView(this);
    List1->setGeometry(TwipsRect(240, 360, 3615, 2400));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every entry is one line, so the view never asks for the size of
    // entries it does not show.
    List1->setUniformItemSizes(true);
    model_ = new PhotoListModel(this);
    List1->setModel(model_);
    connect(List1, &QListView::clicked, this, &Form3::List1_Click);
}

void Form3::FillList() {
    std::unique_ptr<store::PhotoIndex> index;
    Form1* album = module.form1;
    if (album && album->Data1.IsOpen()) {
        try {
            index = album->Data1.OpenPhotoIndex();
        } catch (const store::StoreError&) {
            // An album that cannot be read for the list gives an empty one.
        }
    }
    model_->SetIndex(std::move(index));
}

void Form3::List1_Click(const QModelIndex& index) {
    // A row the album no longer has (it shrank while the list was open) shows
    // no entry, and there is nothing to pick.
    const QVariant entry = index.data();
    if (entry.isValid()) Pick(entry.toString());
}

void Form3::Pick(const QString& entry) {
    Form1* album = module.form1;
    if (!album) return;

    // The number is what stands before the first blank; an entry without
    // one is read whole.
    const qsizetype blank = entry.indexOf(' ');
    const double number = Val(blank < 0 ? entry : entry.left(blank + 1));

    try {
        album->Data1.Refresh();
        store::ResultSet& rows = album->Data1.Recordset();
        rows.MoveFirst();
        if (!rows.SeekId(number)) {
            // As a scan through the album that found nothing: the cursor past
            // the last photo, the list still open.
            rows.MoveLast();
            rows.MoveNext();
            return;
        }
    } catch (const store::StoreError&) {
        // The album was emptied, or went away, while the list was open.
        return;
    }
    module.ShowPhoto();

    // Hiding the list makes the album window active again, and its activation
    // reopens the album on its first photo; the picked one is then sought
    // again. An album on CD is dropped by that activation, so its photo has
    // nothing to return to.
    if (isActiveWindow() && !module.CdMode) module.PickedPhotoId = number;
    hide();
    album->activateWindow();
}

void Module1::ReturnToPickedPhoto() {
    if (!PickedPhotoId || !form1) return;
    const double number = *PickedPhotoId;
    PickedPhotoId.reset();
    try {
        if (form1->Data1.Recordset().SeekId(number)) ShowPhoto();
    } catch (const store::StoreError&) {
        // The album did not open: there is no photo to return to.
    }
}

Form3* Module1::LoadForm3() {
    if (!form3) form3 = new Form3(*this);
    return form3;
}

// Opens the photo list, or brings it to the front, with the album's photos.
static void OpenPhotoList(Module1& module) {
    module.PickedPhotoId.reset();
    Form3* list = module.LoadForm3();
    list->FillList();
    list->show();
    list->raise();
    list->activateWindow();
}

void Form1::Image1_Click() {
    OpenPhotoList(module);
}
void Form1::Label3_Click() {
    OpenPhotoList(module);
}
