#include "widgets/held_stretch.h"

#include <algorithm>

namespace {

bool EndsParagraph(QChar c) {
    return c == '\n' || c == '\r' || c == QChar::ParagraphSeparator;
}

// The breaks in the document: a line end of the text, or a cut.
bool IsBreak(QChar c) {
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

}  // namespace

// A stretch starts at the start of a paragraph or at one of the cuts in a
// long one, which fall near every kPieceLength-th character from the
// paragraph's start: so wherever a stretch starts, a piece of the text is
// cut in the same places and is laid out in the same lines.
qsizetype HeldStretch::StartAt(qsizetype from, qsizetype& paragraph) const {
    const qsizetype size = text_.size();
    from = Windowed() ? std::clamp<qsizetype>(from, 0, size) : 0;
    if (from > 0 && from < size && text_[from - 1] == '\r' && text_[from] == '\n') ++from;
    paragraph = from;
    while (paragraph > 0 && !EndsParagraph(text_[paragraph - 1])) --paragraph;
    const qsizetype grid = paragraph + (from - paragraph) / kPieceLength * kPieceLength;
    if (grid == paragraph) return paragraph;
    // The cut Hold makes at this grid point.
    for (qsizetype i = grid - 1; i >= grid - kPieceLength / 2; --i)
        if (text_[i].isSpace()) return i + 1;
    return text_[grid - 1].isHighSurrogate() ? grid - 1 : grid;
}

QString HeldStretch::Hold(qsizetype from) {
    const qsizetype size = text_.size();
    qsizetype paragraph = 0;
    const qsizetype start = StartAt(from, paragraph);
    const qsizetype least = Windowed() ? std::min(size, start + kStretch) : size;

    QString doc;
    doc.reserve(std::min(size - start, kStretch + 2 * kPieceLength) + kStretch / 64);
    marks_.clear();
    qsizetype afterBlank = -1;
    qsizetype i = start;
    // at(), as operator[] would copy a text shared with the caller.
    for (; i < size; ++i) {
        if (i >= least && i == paragraph) break;
        const QChar c = text_.at(i);
        if (EndsParagraph(c)) {
            const qsizetype length = c == '\r' && i + 1 < size && text_.at(i + 1) == '\n' ? 2 : 1;
            marks_.push_back({doc.size(), i, length});
            doc += QChar('\n');
            i += length - 1;
            paragraph = i + 1;
            afterBlank = -1;
            continue;
        }
        if (c == QChar::LineSeparator) marks_.push_back({doc.size(), i, 1});
        doc += c;
        if (c.isSpace()) afterBlank = i + 1;
        if ((i + 1 - paragraph) % kPieceLength != 0 || i + 1 == size) continue;
        // A full piece: cut after its last blank in its second half, else at
        // its end, never between the halves of a surrogate pair.
        qsizetype cut = afterBlank > i + 1 - kPieceLength / 2 ? afterBlank : i + 1;
        if (cut == i + 1 && text_.at(cut - 1).isHighSurrogate()) --cut;
        afterBlank = -1;
        const qsizetype docCut = doc.size() - (i + 1 - cut);
        if (i + 1 >= least && least < size) {
            doc.truncate(docCut);
            i = cut;
            break;
        }
        doc.insert(docCut, QChar('\n'));
        marks_.push_back({docCut, cut, 0});
    }
    start_ = start;
    end_ = i;
    return doc;
}

qsizetype HeldStretch::DocOf(qsizetype position) const {
    position = std::clamp(position, start_, end_);
    // The last mark wholly before `position`.
    const auto after =
        std::upper_bound(marks_.begin(), marks_.end(), position,
                         [](qsizetype p, const Mark& m) { return p < m.text + m.length; });
    if (after == marks_.begin()) return position - start_;
    const Mark& mark = *(after - 1);
    return mark.doc + 1 + (position - mark.text - mark.length);
}

qsizetype HeldStretch::TextPositionOf(qsizetype doc) const {
    const auto after = std::lower_bound(marks_.begin(), marks_.end(), doc,
                                        [](const Mark& m, qsizetype d) { return m.doc < d; });
    if (after == marks_.begin()) return std::min(start_ + doc, end_);
    const Mark& mark = *(after - 1);
    return std::min(mark.text + mark.length + (doc - mark.doc - 1), end_);
}

QChar HeldStretch::BreakOf(const Mark& mark) const {
    return mark.length == 1 && text_[mark.text] == QChar::LineSeparator
               ? QChar(QChar::LineSeparator)
               : QChar(QChar::ParagraphSeparator);
}

void HeldStretch::BeginTyping() {
    const qsizetype first =
        std::find_if(text_.cbegin(), text_.cend(), EndsParagraph) - text_.cbegin();
    newLine_ = first < text_.size() && text_.at(first) == '\r'
                   ? (first + 1 < text_.size() && text_.at(first + 1) == '\n' ? "\r\n" : "\r")
                   : "\n";
}

QString HeldStretch::TextOf(const QString& raw, const std::vector<Mark>& marks,
                            qsizetype docEnd) const {
    docEnd = std::min(docEnd, raw.size());
    const QString newLine = newLine_.isEmpty() ? QString("\n") : newLine_;
    QString text;
    text.reserve(docEnd + docEnd / 8);
    auto mark = marks.begin();
    for (qsizetype i = 0; i < docEnd; ++i) {
        while (mark != marks.end() && mark->doc < i) ++mark;
        if (mark != marks.end() && mark->doc == i) {
            text += QStringView(text_).mid(mark->text, mark->length);
            continue;
        }
        const QChar c = raw[i];
        if (IsBreak(c))
            text += newLine;
        else
            text += c;
    }
    return text;
}

QString HeldStretch::Spliced(const QString& held) const {
    return text_.left(start_) + held + text_.mid(end_);
}

void HeldStretch::KeepStretchOnly() {
    text_ = text_.mid(start_, end_ - start_);
    for (Mark& mark : marks_) mark.text -= start_;
    start_ = 0;
    end_ = text_.size();
}
