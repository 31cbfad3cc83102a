#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <vector>

#include "widgets/editable_box.h"

// A read-only multi-line box that shows the whole of a text of any length,
// wrapped to its width, without laying all of it out at once.
//
// A plain text box lays out each paragraph whole as soon as it is set, and a
// paragraph of a million characters takes a fraction of a second, or minutes
// when it is one unbroken word. This box hands the box's document paragraphs
// of at most kPieceLength characters, cut after a blank where there is one,
// and the box lays out only those in view. What is copied or dragged out of
// it is the text as given, without the cuts.
//
// It can be edited in place (see EditableBox): each cut is followed through
// the typing, so the text saved is the text typed without the cuts.
class LongTextBox : public QPlainTextEdit, public EditableBox {
public:
    static constexpr qsizetype kPieceLength = 4096;

    using QPlainTextEdit::QPlainTextEdit;

    // Shows `text`, scrolled to its start.
    void ShowText(const QString& text);
    // The text shown, as given.
    const QString& Text() const { return text_; }

    void BeginEdit() override;
    void EndEdit() override;
    QString EditedText() const override;

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString text_;
    std::vector<qsizetype> cuts_;  // document positions of the paragraph breaks added

    // While editing: where the breaks added are now, in order.
    std::vector<qsizetype> CutsNow() const;
    // Each break added, selected, so the document moves it with the typing;
    // a break the user deletes leaves its selection empty.
    std::vector<QTextCursor> cutMarks_;
    Qt::TextInteractionFlags lockedFlags_;
};
