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
    if (editing_ == &box) return;
    if (!FinishEdit() || !module.MayEditPhoto()) return;
    editing_ = &box;
    const store::Photo& photo = *module.CurrentPhoto();
    editingRow_ = store::Photo{photo.id, {}, photo.row};
    box.BeginEdit();
}

bool Form1::FinishEdit() {
    if (!editing_) return true;
    // Forgotten while saving: a message about a refused save takes the
    // focus, which must not save again.
    EditableBox& box = *std::exchange(editing_, nullptr);
    const QString text = box.EditedText();
    box.EndEdit();
    // The photo changed without the edit being finished: not this photo's text.
    const auto& photo = module.CurrentPhoto();
    if (!photo || !photo->SameRow(editingRow_)) return true;
    if (module.SavePhotoField(FieldOf(box), text)) return true;
    // Refused: the box stays open with what was typed, to be saved again or
    // given up with Esc, unless the photo shown is another one now.
    const auto& shown = module.CurrentPhoto();
    if (!shown || !shown->SameRow(editingRow_)) return true;
    if (box.EditedText() != text) ShowTyped(box, text);
    editing_ = &box;
    box.BeginEdit();
    return false;
}

void Form1::ShowTyped(EditableBox& box, const QString& text) {
    for (LongLineBox* line : {Text2, Text3, Text4})
        if (&box == line) line->ShowText(text);
    for (LongTextBox* lines : {Text5, Text6})
        if (&box == lines) lines->ShowText(text);
}

void Form1::CancelEdit() {
    if (!editing_) return;
    DropEdit();
    ShowFields(module.CurrentPhoto());
    module.EditDropped();
}

void Form1::DropEdit() {
    if (editing_) std::exchange(editing_, nullptr)->EndEdit();
}

void Form1::UndoEdit() {
    if (FinishEdit()) module.UndoLastEdit();
}
