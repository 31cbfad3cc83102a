#include "widgets/long_line_box.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

LongLineBox::LongLineBox(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::selectionChanged, this, [this] { SetWholeSelected(false); });
}

void LongLineBox::ShowText(const QString& text) {
    text_ = text;
    ShowStretch(0, 0);
}

void LongLineBox::ShowStretch(qsizetype start, qsizetype cursor) {
    const qsizetype size = text_.size();
    start = std::clamp<qsizetype>(start, 0, std::max<qsizetype>(0, size - kStretch));
    // Never between the two halves of a surrogate pair. (at(), as
    // operator[] would copy a text shared with the caller.)
    if (start > 0 && text_.at(start).isLowSurrogate()) --start;
    qsizetype end = std::min(size, start + kStretch);
    if (end < size && text_.at(end).isLowSurrogate()) --end;
    start_ = start;
    stretchLength_ = end - start;
    SetWholeSelected(false);
    setText(text_.mid(start, end - start));
    setCursorPosition(static_cast<int>(std::clamp(cursor, start, end) - start));
}

void LongLineBox::keyPressEvent(QKeyEvent* event) {
    if (TakeEditKey(*event, false)) return;
    if (IsEditing()) Absorb();
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (WholeSelected() &&
        (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut))) {
        if (event->matches(QKeySequence::Copy))
            Copy();
        else if (IsEditing())
            Cut();
        return;
    }
    const bool typed = !event->text().isEmpty() && event->text().front().isPrint();
    if (typed || event->matches(QKeySequence::Paste) || event->key() == Qt::Key_Delete ||
        event->key() == Qt::Key_Backspace)
        TakeWholeSelection();
    const int key = event->key();
    const bool modifierOnly =
        key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
    if (text_.size() <= kStretch || modifierOnly) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const qsizetype at = start_ + cursorPosition();
    if (event->matches(QKeySequence::MoveToStartOfLine) ||
        event->matches(QKeySequence::MoveToStartOfDocument)) {
        ShowStretch(0, 0);
        return;
    }
    if (event->matches(QKeySequence::MoveToEndOfLine) ||
        event->matches(QKeySequence::MoveToEndOfDocument)) {
        ShowStretch(text_.size(), text_.size());
        return;
    }
    // A step off either end of the stretch moves it along, half its length.
    const bool forward = event->matches(QKeySequence::MoveToNextChar) ||
                         event->matches(QKeySequence::MoveToNextWord);
    const bool back = event->matches(QKeySequence::MoveToPreviousChar) ||
                      event->matches(QKeySequence::MoveToPreviousWord);
    if (forward && cursorPosition() == text().size() && start_ + text().size() < text_.size())
        ShowStretch(at - kStretch / 2, at);
    else if (back && cursorPosition() == 0 && start_ > 0)
        ShowStretch(at - kStretch / 2, at);
    QLineEdit::keyPressEvent(event);
}

QString LongLineBox::EditedText() const {
    if (!IsEditing()) return text_;
    return text_.left(start_) + text() + text_.mid(start_ + stretchLength_);
}

void LongLineBox::SelectAll() {
    selectAll();
    SetWholeSelected(true);
}

void LongLineBox::Copy() {
    if (!WholeSelected()) {
        copy();
        return;
    }
    QGuiApplication::clipboard()->setText(EditedText());
}

void LongLineBox::Cut() {
    if (!WholeSelected()) {
        cut();
        return;
    }
    const QString whole = EditedText();
    TakeWholeSelection();
    del();
    QGuiApplication::clipboard()->setText(whole);
}

void LongLineBox::TakeWholeSelection() {
    if (!IsEditing() || !WholeSelected()) return;
    text_ = text();
    start_ = 0;
    stretchLength_ = text_.size();
}

void LongLineBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    Retarget(*menu, QLineEdit::tr("Select All"), [this] { SelectAll(); });
    Retarget(*menu, QLineEdit::tr("&Copy"), [this] { Copy(); });
    Retarget(*menu, QLineEdit::tr("Cu&t"), [this] { Cut(); });
    Retarget(*menu, QLineEdit::tr("&Paste"), [this] {
        TakeWholeSelection();
        paste();
    });
    Retarget(*menu, QLineEdit::tr("Delete"), [this] {
        TakeWholeSelection();
        del();
    });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void LongLineBox::Absorb() {
    text_ = EditedText();
    stretchLength_ = text().size();
}

void LongLineBox::BeginEdit() {
    if (IsEditing()) return;
    SetEditing(*this, true);
    setReadOnly(false);
    setFocus(Qt::OtherFocusReason);
}

void LongLineBox::EndEdit() {
    if (!IsEditing()) return;
    Absorb();
    SetEditing(*this, false);
    setReadOnly(true);
}

bool LongLineBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && KeepsKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void LongLineBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    RequestEdit();
}

void LongLineBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    FocusLeft(*event);
}
