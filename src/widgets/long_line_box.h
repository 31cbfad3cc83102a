#pragma once

#include <QLineEdit>
#include <QString>

#include "widgets/editable_box.h"

// A read-only one-line box that shows the whole of a text of any length.
//
// A line box lays out its whole text on every change, a tenth of a second for
// a million characters. This box hands the line box a stretch of at most
// kStretch characters of a longer text, and moves the stretch along as the
// cursor keys reach either of its ends (Home and End go to the text's own
// ends), so every character can be scrolled into view. Select All then Copy
// copies the whole text.
//
// It can be edited in place (see EditableBox): the typing goes into the
// stretch shown, which is put back into the whole text whenever the stretch
// moves, so a text of any length is edited without laying it out whole.
class LongLineBox : public QLineEdit, public EditableBox {
public:
    static constexpr qsizetype kStretch = 8192;

    using QLineEdit::QLineEdit;

    // Shows `text` from its first character.
    void ShowText(const QString& text);
    // The text shown, as given.
    const QString& Text() const { return text_; }
    // Where the stretch in the box starts in the text.
    qsizetype StretchStart() const { return start_; }

    void BeginEdit() override;
    void EndEdit() override;
    QString EditedText() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Puts the stretch starting near `start` in the box, the cursor at
    // `cursor` of the text.
    void ShowStretch(qsizetype start, qsizetype cursor);

    // Takes what was typed in the stretch into the whole text.
    void Absorb();
    // While editing with the whole text selected, a key that types, deletes,
    // cuts or pastes acts on the whole text, not only on the stretch shown.
    bool ReplaceWhole(QKeyEvent& event);

    QString text_;
    qsizetype start_ = 0;
    qsizetype stretchLength_ = 0;  // of the text's stretch put in the box
    bool wholeSelected_ = false;
};
