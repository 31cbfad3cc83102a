#include "widgets/long_text_box.h"

#include <QMimeData>
#include <QTextCursor>
#include <algorithm>

namespace {

bool EndsParagraph(QChar c) {
    return c == '\n' || c == '\r' || c == QChar::ParagraphSeparator;
}

}  // namespace

void LongTextBox::ShowText(const QString& text) {
    text_ = text;
    cuts_.clear();
    // The document's text, one character for each of its positions: a CR LF
    // is one paragraph break there, as it is in the document.
    QString pieces;
    pieces.reserve(text.size() + text.size() / (kPieceLength / 2) + 1);
    qsizetype pieceStart = 0;   // where the paragraph being filled starts
    qsizetype afterBlank = -1;  // just after its last blank, if any
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        pieces += c;
        if (EndsParagraph(c)) {
            pieceStart = pieces.size();
            afterBlank = -1;
            continue;
        }
        if (c.isSpace()) afterBlank = pieces.size();
        if (pieces.size() - pieceStart < kPieceLength) continue;
        // A full piece: cut it after its last blank in its second half, else
        // at its end, never between the halves of a surrogate pair.
        qsizetype cut = afterBlank > pieceStart + kPieceLength / 2 ? afterBlank : pieces.size();
        if (pieces[cut - 1].isHighSurrogate()) --cut;
        pieces.insert(cut, QChar('\n'));
        cuts_.push_back(cut);
        pieceStart = cut + 1;
        afterBlank = -1;
    }
    setPlainText(pieces);
}

QMimeData* LongTextBox::createMimeDataFromSelection() const {
    const QTextCursor selection = textCursor();
    if (cuts_.empty() || !selection.hasSelection())
        return QPlainTextEdit::createMimeDataFromSelection();
    // The selected text without the paragraph breaks the box added; the
    // text's own breaks as line ends, as a plain text box copies them.
    const qsizetype start = selection.selectionStart();
    QString text = selection.selectedText();
    const auto first = std::lower_bound(cuts_.begin(), cuts_.end(), start);
    const auto last = std::lower_bound(first, cuts_.end(), start + text.size());
    for (auto cut = last; cut != first;) text.remove(*--cut - start, 1);
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}
