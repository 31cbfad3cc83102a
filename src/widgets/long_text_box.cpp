#include "widgets/long_text_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
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

void LongTextBox::BeginEdit() {
    if (IsEditing()) return;
    cutMarks_.clear();
    for (const qsizetype cut : cuts_) {
        QTextCursor mark(document());
        mark.setPosition(static_cast<int>(cut));
        mark.setPosition(static_cast<int>(cut) + 1, QTextCursor::KeepAnchor);
        cutMarks_.push_back(mark);
    }
    document()->setModified(false);
    lockedFlags_ = textInteractionFlags();
    SetEditing(*this, true);
    setReadOnly(false);
    setFocus(Qt::OtherFocusReason);
}

void LongTextBox::EndEdit() {
    if (!IsEditing()) return;
    text_ = EditedText();
    cuts_ = CutsNow();
    cutMarks_.clear();
    SetEditing(*this, false);
    setReadOnly(true);
    setTextInteractionFlags(lockedFlags_);
}

std::vector<qsizetype> LongTextBox::CutsNow() const {
    std::vector<qsizetype> cuts;
    for (const QTextCursor& mark : cutMarks_) {
        const int at = mark.anchor();
        if (mark.hasSelection() && document()->characterAt(at) == QChar::ParagraphSeparator)
            cuts.push_back(at);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

QString LongTextBox::EditedText() const {
    if (!IsEditing() || !document()->isModified()) return text_;
    const QString raw = document()->toRawText();
    QString text;
    text.reserve(raw.size());
    const std::vector<qsizetype> cuts = CutsNow();
    auto cut = cuts.begin();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (cut != cuts.end() && *cut == i) {
            ++cut;
            continue;
        }
        const QChar c = raw[i];
        text += c == QChar::ParagraphSeparator || c == QChar::LineSeparator ? QChar('\n') : c;
    }
    return text;
}

bool LongTextBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && KeepsKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void LongTextBox::keyPressEvent(QKeyEvent* event) {
    if (!TakeEditKey(*event, true)) QPlainTextEdit::keyPressEvent(event);
}

void LongTextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    RequestEdit();
}

void LongTextBox::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    FocusLeft(*event);
}
