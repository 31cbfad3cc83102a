#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <vector>

#include "widgets/editable_box.h"
#include "widgets/held_stretch.h"

class QScrollBar;

// A read-only multi-line box that shows the whole of a text of any length,
// wrapped to its width, without laying all of it out at once.
//
// A plain text box lays out each paragraph whole as soon as it is set, and a
// paragraph of a million characters takes a fraction of a second, or minutes
// when it is one unbroken word; a million short paragraphs take seconds to be
// set at all. So this box hands its document paragraphs of about
// kPieceLength characters, cut after a blank where there is one, and the box
// lays out only those in view; and of a text longer than kWholeLimit it holds
// only a stretch of some kStretch characters around the view (short, for
// every paragraph held costs time when the document is set, and a short line
// is a paragraph), with a scroll bar of its own that runs over the whole text
// and moves the stretch along. HeldStretch keeps the text and what is held
// of it. What is copied or dragged out of it is the
// text as given, without the cuts, with its own line ends; after Select All
// (its key or the box's menu), the whole text.
//
// It can be edited in place (see EditableBox): each cut and line end is
// followed through the typing, so the text saved is the text typed without
// the cuts and with the line ends it had. The typing goes into the stretch
// held, which is put back into the whole text whenever the stretch moves.
class LongTextBox : public QPlainTextEdit, public EditableBox {
public:
    static constexpr qsizetype kPieceLength = HeldStretch::kPieceLength;
    static constexpr qsizetype kStretch = HeldStretch::kStretch;
    static constexpr qsizetype kWholeLimit = HeldStretch::kWholeLimit;

    explicit LongTextBox(QWidget* parent = nullptr);

    // Shows `text`, scrolled to its start.
    void ShowText(const QString& text);
    // The text shown, as given (without what is being typed).
    const QString& Text() const { return stretch_.Text(); }
    // Where the stretch the box holds starts and ends in the text.
    qsizetype StretchStart() const { return stretch_.Start(); }
    qsizetype StretchEnd() const { return stretch_.End(); }
    // The place in the text of the first character in view.
    qsizetype TopPosition() const;
    // Scrolls the text's `position` to the top of the view, as a move of the
    // scroll bar does; the end of the text is shown at the bottom.
    void ScrollToPosition(qsizetype position);

    void BeginEdit() override;
    void EndEdit() override;
    QString EditedText() const override;
    // Select All: the whole text, not only the stretch held.
    void SelectAll();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Mark = HeldStretch::Mark;

    bool Windowed() const { return stretch_.Windowed(); }
    // Puts in the document the stretch of the text starting at the place
    // where a stretch may start at or before `from`.
    void Hold(qsizetype from);
    // Holds a stretch around `position`, keeping the view on the text it
    // shows and, while editing, the caret and the typing.
    void Recentre(qsizetype position);
    // The document's text from its start to `docEnd` as text: without the
    // cuts, each line end as it was; a line end typed as the text's own are.
    QString TextOf(qsizetype docEnd) const;
    // The marks where they stand in the document now.
    std::vector<Mark> LiveMarks() const;
    qsizetype DocOf(qsizetype position) const { return stretch_.DocOf(position); }
    qsizetype TextPositionOf(qsizetype doc) const;
    void PutTopAt(qsizetype doc);
    // Hold(from) while editing too: what was typed is put into the text
    // first, and the caret stays on the same text.
    void Rehold(qsizetype from);
    void UpdateScrollBar();
    // Each mark selected in the document, to be followed through the typing.
    void MarkBreaks();
    // The box's own scroll bar follows the view, and the stretch moves when
    // the view nears either of its ends.
    void FollowView();
    void FollowScrollBar(int value);
    void ScrollBarAction(int action);
    void PlaceScrollBar();
    // While editing: a change over the whole text selected replaced it.
    void ContentsChanged(int position, int removed, int added);

    HeldStretch stretch_;
    // While editing: each mark, selected, so the document moves it with the
    // typing; a mark the user deletes leaves its selection empty.
    std::vector<QTextCursor> liveMarks_;
    Qt::TextInteractionFlags lockedFlags_;
    QScrollBar* bar_;
    Qt::ScrollBarPolicy ownPolicy_ = Qt::ScrollBarAsNeeded;
    bool following_ = false;
    bool recentring_ = false;
    bool changing_ = false;    // while editing, between the start and the end of a change
    qsizetype heldChars_ = 0;  // the document's length before its last change
};
