#pragma once

#include <QString>
#include <vector>

// What a long text box holds of its text, without the box: the stretch of a
// text of any length put in its document, and the mapping between the two.
//
// The document holds paragraphs of about kPieceLength characters, cut after
// a blank where there is one; of a text longer than kWholeLimit it holds only
// a stretch of some kStretch characters. Each line end of the text is one
// paragraph break of the document (a CR LF too), and each cut is a break the
// text does not have: the marks. What is typed into the document is put back
// into the whole text without the cuts, with the line ends the text had.
class HeldStretch {
public:
    static constexpr qsizetype kPieceLength = 4096;
    static constexpr qsizetype kStretch = 8 * 1024;
    static constexpr qsizetype kWholeLimit = 64 * 1024;

    // A character of the document that is not the text's own: a break the
    // box added (length 0), or a line end of the text (its length in the
    // text: a CR LF is one paragraph break in the document).
    struct Mark {
        qsizetype doc;   // position in the document
        qsizetype text;  // position in the text
        qsizetype length;
    };

    // The whole text; setting it holds nothing until Hold.
    const QString& Text() const { return text_; }
    void SetText(const QString& text) { text_ = text; }
    // Whether only a stretch of the text is held.
    bool Windowed() const { return text_.size() > kWholeLimit; }
    // Where the stretch held starts and ends in the text.
    qsizetype Start() const { return start_; }
    qsizetype End() const { return end_; }
    const std::vector<Mark>& Marks() const { return marks_; }

    // Holds the stretch of the text starting at the place where a stretch
    // may start at or before `from`; the document's text for it, each
    // paragraph ending in '\n'.
    QString Hold(qsizetype from);
    // The document's place of the text's `position`, clamped to the stretch.
    qsizetype DocOf(qsizetype position) const;
    // The text's place of the document's `doc`, as held (nothing typed).
    qsizetype TextPositionOf(qsizetype doc) const;
    // The break the document shows for `mark`: a paragraph's, or the text's
    // own line separator.
    QChar BreakOf(const Mark& mark) const;

    // Typing begins: a line end typed is written as the text's first one is.
    void BeginTyping();
    // The document's raw text (paragraph breaks as U+2029) from its start to
    // `docEnd` as text, `marks` standing where they are now: without the
    // cuts, each line end as it was, one typed as the text's own are.
    QString TextOf(const QString& raw, const std::vector<Mark>& marks, qsizetype docEnd) const;
    // The whole text, with the stretch held replaced by `held`.
    QString Spliced(const QString& held) const;
    // The whole text was selected and typed over: what is held is all the
    // text there is.
    void KeepStretchOnly();

private:
    // Where a stretch may start at or before `from`, and where the paragraph
    // it starts in starts.
    qsizetype StartAt(qsizetype from, qsizetype& paragraph) const;

    QString text_;
    qsizetype start_ = 0;
    qsizetype end_ = 0;
    std::vector<Mark> marks_;
    QString newLine_;
};
