#include "photo_list/form3.h"

#include "app/module1.h"
#include "photo_list/photo_list_model.h"
#include "widgets/program_window.h"
#include "widgets/twips.h"

Form3::Form3(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
    // Closing it with its title-bar button unloads it; a pick only hides it.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Form3");
    resize(TwipsToPixels(4650), TwipsToPixels(3165));

    List1 = new QListView(this);
    List1->setObjectName("List1");
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
    model_->SetIndex(module.OpenPhotoIndex());
}

void Form3::List1_Click(const QModelIndex& index) {
    // A row the album no longer has (it shrank while the list was open) shows
    // no entry, and there is nothing to pick.
    const QVariant entry = index.data();
    if (entry.isValid()) Pick(entry.toString());
}

void Form3::Pick(const QString& entry) {
    // A number no photo has leaves the list open.
    if (!module.PickPhoto(entry, isActiveWindow())) return;
    hide();
    emit PhotoPicked();
}
