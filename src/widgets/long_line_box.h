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
// copies the whole text, by the keys or by the box's menu.
//
// It can be edited in place (see EditableBox): the typing goes into the
// stretch shown, which is put back into the whole text whenever the stretch
// moves, so a text of any length is edited without laying it out whole.
class LongLineBox : public QLineEdit, public EditableBox {
public:
    static constexpr qsizetype kStretch = 8192;

    explicit LongLineBox(QWidget* parent = nullptr);

    // Shows `text` from its first character.
    void ShowText(const QString& text);
    // The text shown, as given.
    const QString& Text() const { return text_; }
    // Where the stretch in the box starts in the text.
    qsizetype StretchStart() const { return start_; }

    void BeginEdit() override;
    void EndEdit() override;
    QString EditedText() const override;
    // Select All: the whole text, not only the stretch shown.
    void SelectAll();

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Puts the stretch starting near `start` in the box, the cursor at
    // `cursor` of the text.
    void ShowStretch(qsizetype start, qsizetype cursor);

    // Takes what was typed in the stretch into the whole text.
    void Absorb();
    // Copy and Cut, of the whole text once it is selected whole.
    void Copy();
    void Cut();
    // Before an edit that replaces the selection: with the whole text
    // selected, the text beyond the stretch goes with it, so the edit
    // replaces all of it.
    void TakeWholeSelection();

    QString text_;
    qsizetype start_ = 0;
    qsizetype stretchLength_ = 0;  // of the text's stretch put in the box
};
