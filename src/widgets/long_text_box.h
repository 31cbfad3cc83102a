#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <vector>

// A read-only multi-line box that shows the whole of a text of any length,
// wrapped to its width, without laying all of it out at once.
//
// A plain text box lays out each paragraph whole as soon as it is set, and a
// paragraph of a million characters takes a fraction of a second, or minutes
// when it is one unbroken word. This box hands the box's document paragraphs
// of at most kPieceLength characters, cut after a blank where there is one,
// and the box lays out only those in view. What is copied or dragged out of
// it is the text as given, without the cuts.
class LongTextBox : public QPlainTextEdit {
public:
    static constexpr qsizetype kPieceLength = 4096;

    using QPlainTextEdit::QPlainTextEdit;

    // Shows `text`, scrolled to its start.
    void ShowText(const QString& text);
    // The text shown, as given.
    const QString& Text() const { return text_; }

protected:
    QMimeData* createMimeDataFromSelection() const override;

private:
    QString text_;
    std::vector<qsizetype> cuts_;  // document positions of the paragraph breaks added
};
