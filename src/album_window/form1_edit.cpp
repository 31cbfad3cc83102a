// Correcting the current photo's fields in place, in the album window.
#include <QShortcut>
#include <array>
#include <utility>

#include "album_window/form1.h"
#include "app/module1.h"

namespace {

// The field each of the boxes Form1::EditableBoxes lists shows.
constexpr store::Field kEditableFields[] = {store::Field::Title, store::Field::Date,
                                           store::Field::Place, store::Field::People,
                                           store::Field::Notes};

}  // namespace

std::array<EditableBox*, 5> Form1::EditableBoxes() const {
    return {Text2, Text3, Text4, Text5, Text6};
}

store::Field Form1::FieldOf(const EditableBox& box) const {
    const auto boxes = EditableBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i] == &box) return kEditableFields[i];
    return store::Field::Title;
}

void Form1::ConnectEditing() {
    for (EditableBox* editable : EditableBoxes()) {
        editable->editRequested = [this, editable] { StartEdit(*editable); };
        editable->editEnded = [this](EditableBox::EditEnd end) {
            if (end == EditableBox::EditEnd::Save)
                FinishEdit();
            else
                CancelEdit();
        };
    }
    // While a box is being edited it keeps Ctrl+Z for its own typing.
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, &Form1::UndoEdit);
}

void Form1::StartEdit(EditableBox& box) {
    // An empty album has nothing to correct.
    if (!module.CurrentPhoto()) return;
    if (editing_ == &box) return;
    FinishEdit();
    editing_ = &box;
    editingId_ = module.CurrentPhoto()->id;
    box.BeginEdit();
}

void Form1::FinishEdit() {
    if (!editing_) return;
    // Forgotten before saving: a message about a refused save takes the
    // focus, which must not save again.
    EditableBox& box = *std::exchange(editing_, nullptr);
    const QString text = box.EditedText();
    box.EndEdit();
    // The photo changed without the edit being finished: not this photo's text.
    const auto& photo = module.CurrentPhoto();
    if (!photo || !(photo->id == editingId_)) return;
    // A refused save keeps the old text: the album shows it again.
    if (!module.SavePhotoField(FieldOf(box), text)) ShowFields(module.CurrentPhoto());
}

void Form1::CancelEdit() {
    if (!editing_) return;
    DropEdit();
    ShowFields(module.CurrentPhoto());
}

void Form1::DropEdit() {
    if (editing_) std::exchange(editing_, nullptr)->EndEdit();
}

void Form1::UndoEdit() {
    FinishEdit();
    module.UndoLastEdit();
}
