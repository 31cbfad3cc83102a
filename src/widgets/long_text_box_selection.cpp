// What LongTextBox selects, copies and replaces: a selection within the
// stretch held, or the whole text after Select All.
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

#include "widgets/long_text_box.h"

void LongTextBox::SelectAll() {
    selectAll();
    SetWholeSelected(true);
}

void LongTextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu(event->pos());
    // The menu's copy, cut, paste and delete come to the box as its keys do.
    Retarget(*menu, "select-all", [this] { SelectAll(); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMimeData* LongTextBox::createMimeDataFromSelection() const {
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection()) return QPlainTextEdit::createMimeDataFromSelection();
    auto* data = new QMimeData;
    if (WholeSelected()) {
        data->setText(EditedText());
    } else {
        const qsizetype start = selection.selectionStart();
        data->setText(TextOf(selection.selectionEnd()).mid(TextOf(start).size()));
    }
    return data;
}

void LongTextBox::ContentsChanged(int position, int removed, int added) {
    Q_UNUSED(added);
    if (!IsEditing() || recentring_) {
        heldChars_ = document()->characterCount();
        return;
    }
    const qsizetype before = heldChars_;
    heldChars_ = document()->characterCount();
    changing_ = true;
    // Typing, a paste, a cut or a deletion over the whole text selected
    // replaced all the box held, and the rest of the text with it. (A drop
    // elsewhere, which takes nothing away, does not.)
    if (!Windowed() || !WholeSelected() || position != 0 || removed < before - 1) return;
    SetWholeSelected(false);
    stretch_.KeepStretchOnly();
    bar_->setRange(0, static_cast<int>(StretchEnd()));
}
