#include "widgets/editable_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

void EditableBox::SetEditing(QWidget& box, bool editing) {
    if (editing == editing_) return;
    editing_ = editing;
    if (editing) {
        lockedPalette_ = box.palette();
        QPalette white = lockedPalette_;
        white.setColor(QPalette::Base, Qt::white);
        box.setPalette(white);
    } else {
        box.setPalette(lockedPalette_);
    }
}

void EditableBox::RequestEdit() {
    if (!editing_ && editRequested) editRequested();
}

bool EditableBox::TakeEditKey(const QKeyEvent& key, bool multiLine) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (!editing_) {
        if (key.key() != Qt::Key_F2 || modifiers != Qt::NoModifier) return false;
        RequestEdit();
        return true;
    }
    EditEnd end;
    if (key.key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        end = EditEnd::Cancel;
    } else if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
               (modifiers == Qt::ControlModifier || (!multiLine && modifiers == Qt::NoModifier))) {
        end = EditEnd::Save;
    } else {
        return false;
    }
    if (editEnded) editEnded(end);
    return true;
}

bool EditableBox::KeepsKey(const QKeyEvent& key) const {
    if (!editing_) return false;
    const int k = key.key();
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    // Typing, the cursor keys, Delete, PageUp and PageDown, Enter and Esc;
    // the function keys stay the window's.
    if ((modifiers & ~Qt::ShiftModifier) == Qt::NoModifier)
        return k < Qt::Key_F1 || k > Qt::Key_F35;
    if ((modifiers & ~Qt::ShiftModifier) != Qt::ControlModifier) return false;
    switch (k) {
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Insert:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_A:
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_X:
        case Qt::Key_Y:
        case Qt::Key_Z:
            return true;
        default:
            return false;
    }
}

void EditableBox::FocusLeft(const QFocusEvent& event) {
    if (editing_ && event.reason() != Qt::PopupFocusReason && editEnded) editEnded(EditEnd::Save);
}

void EditableBox::Retarget(QMenu& menu, const QString& name, const std::function<void()>& job) {
    for (QAction* action : menu.actions()) {
        if (action->objectName() != name && action->text().section('\t', 0, 0) != name) continue;
        QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
        QObject::connect(action, &QAction::triggered, &menu, job);
    }
}
