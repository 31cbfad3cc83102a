#include "widgets/long_line_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>

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
    wholeSelected_ = false;
    setText(text_.mid(start, end - start));
    setCursorPosition(static_cast<int>(std::clamp(cursor, start, end) - start));
}

void LongLineBox::keyPressEvent(QKeyEvent* event) {
    if (TakeEditKey(*event, false)) return;
    if (IsEditing()) Absorb();
    const int key = event->key();
    const bool modifierOnly =
        key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
    if (text_.size() <= kStretch || modifierOnly) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        wholeSelected_ = true;
        return;
    }
    if (event->matches(QKeySequence::Copy) && wholeSelected_ && selectedText() == text()) {
        QGuiApplication::clipboard()->setText(text_);
        return;
    }
    if (ReplaceWhole(*event)) return;
    wholeSelected_ = false;
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

bool LongLineBox::ReplaceWhole(QKeyEvent& event) {
    if (!IsEditing() || !wholeSelected_ || selectedText() != text()) return false;
    const bool cut = event.matches(QKeySequence::Cut);
    const bool typed = !event.text().isEmpty() && event.text().front().isPrint();
    if (!cut && !typed && !event.matches(QKeySequence::Paste) && event.key() != Qt::Key_Delete &&
        event.key() != Qt::Key_Backspace)
        return false;
    if (cut) QGuiApplication::clipboard()->setText(text_);
    ShowText(QString());
    if (!cut) QLineEdit::keyPressEvent(&event);
    return true;
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
