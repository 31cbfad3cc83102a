#include "widgets/long_text_box.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <utility>

namespace {

bool EndsParagraph(QChar c) {
    return c == '\n' || c == '\r' || c == QChar::ParagraphSeparator;
}

// The breaks in the document: a line end of the text, or a cut.
bool IsBreak(QChar c) {
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// Whether the line breaker may break `doc` somewhere other than after its
// line ends.
bool BreaksWithinLines(const QString& doc) {
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, doc);
    for (qsizetype at = breaks.toNextBoundary(); at > 0 && at < doc.size();
         at = breaks.toNextBoundary())
        if (doc[at - 1] != '\n' && doc[at - 1] != QChar::LineSeparator) return true;
    return false;
}

}  // namespace

LongTextBox::LongTextBox(QWidget* parent) : QPlainTextEdit(parent), bar_(new QScrollBar(this)) {
    bar_->hide();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { FollowView(); });
    connect(bar_, &QScrollBar::valueChanged, this, &LongTextBox::FollowScrollBar);
    connect(bar_, &QScrollBar::actionTriggered, this, &LongTextBox::ScrollBarAction);
    connect(document(), &QTextDocument::contentsChange, this, &LongTextBox::ContentsChanged);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (std::exchange(changing_, false)) FollowView();
    });
    connect(this, &QPlainTextEdit::selectionChanged, this, [this] { SetWholeSelected(false); });
}

void LongTextBox::ShowText(const QString& text) {
    text_ = text;
    Hold(0);
    PlaceScrollBar();
}

// A stretch starts at the start of a paragraph or at one of the cuts in a
// long one, which fall near every kPieceLength-th character from the
// paragraph's start: so wherever a stretch starts, a piece of the text is
// cut in the same places and is laid out in the same lines.
qsizetype LongTextBox::StretchStartAt(qsizetype from, qsizetype& paragraph) const {
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

void LongTextBox::Hold(qsizetype from) {
    SetWholeSelected(false);
    const qsizetype size = text_.size();
    qsizetype paragraph = 0;
    const qsizetype start = StretchStartAt(from, paragraph);
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
    const bool recentring = std::exchange(recentring_, true);
    // Lines of one word each are wrapped anywhere: the same lines, laid out
    // in a time that grows with their length, where wrapping at words lays
    // a word out in a time that grows with the square of its length (3 ms
    // for a piece of 4,096 characters, 50 ms for 16,384). What is typed
    // wraps at its words.
    const auto wrap = IsEditing() || BreaksWithinLines(doc)
                          ? QTextOption::WrapAtWordBoundaryOrAnywhere
                          : QTextOption::WrapAnywhere;
    if (wordWrapMode() != wrap) setWordWrapMode(wrap);
    setPlainText(doc);
    document()->setModified(false);
    recentring_ = recentring;
    UpdateScrollBar();
}

void LongTextBox::UpdateScrollBar() {
    if (!Windowed()) {
        if (bar_->isHidden()) return;
        bar_->hide();
        setViewportMargins(0, 0, 0, 0);
        setVerticalScrollBarPolicy(ownPolicy_);
        return;
    }
    if (bar_->isHidden()) {
        ownPolicy_ = verticalScrollBarPolicy();
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setViewportMargins(0, 0, bar_->sizeHint().width(), 0);
        bar_->show();
        PlaceScrollBar();
    }
    following_ = true;
    bar_->setRange(0, static_cast<int>(std::min<qsizetype>(text_.size(), INT_MAX)));
    bar_->setPageStep(256);
    bar_->setValue(0);
    following_ = false;
    FollowView();
}

void LongTextBox::PlaceScrollBar() {
    if (bar_->isHidden()) return;
    const QRect view = viewport()->geometry();
    bar_->setGeometry(view.right() + 1, view.top(), bar_->sizeHint().width(), view.height());
}

void LongTextBox::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    PlaceScrollBar();
}

std::vector<LongTextBox::Mark> LongTextBox::LiveMarks() const {
    if (!IsEditing()) return marks_;
    std::vector<Mark> live;
    live.reserve(marks_.size());
    for (size_t k = 0; k < marks_.size(); ++k) {
        const QTextCursor& mark = liveMarks_[k];
        if (!mark.hasSelection()) continue;
        const int at = mark.anchor();
        const QChar kept = marks_[k].length == 1 && text_[marks_[k].text] == QChar::LineSeparator
                               ? QChar(QChar::LineSeparator)
                               : QChar(QChar::ParagraphSeparator);
        if (document()->characterAt(at) == kept)
            live.push_back({at, marks_[k].text, marks_[k].length});
    }
    std::sort(live.begin(), live.end(), [](const Mark& a, const Mark& b) { return a.doc < b.doc; });
    return live;
}

QString LongTextBox::TextOf(qsizetype docEnd) const {
    const QString raw = document()->toRawText();
    docEnd = std::min(docEnd, raw.size());
    const std::vector<Mark> marks = LiveMarks();
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

qsizetype LongTextBox::DocOf(qsizetype position) const {
    position = std::clamp(position, start_, end_);
    // The last mark wholly before `position`.
    const auto after =
        std::upper_bound(marks_.begin(), marks_.end(), position,
                         [](qsizetype p, const Mark& m) { return p < m.text + m.length; });
    if (after == marks_.begin()) return position - start_;
    const Mark& mark = *(after - 1);
    return mark.doc + 1 + (position - mark.text - mark.length);
}

qsizetype LongTextBox::TextPositionOf(qsizetype doc) const {
    if (IsEditing() && document()->isModified()) return start_ + TextOf(doc).size();
    const auto after = std::lower_bound(marks_.begin(), marks_.end(), doc,
                                        [](const Mark& m, qsizetype d) { return m.doc < d; });
    if (after == marks_.begin()) return std::min(start_ + doc, end_);
    const Mark& mark = *(after - 1);
    return std::min(mark.text + mark.length + (doc - mark.doc - 1), end_);
}

qsizetype LongTextBox::TopPosition() const {
    const QTextBlock block = firstVisibleBlock();
    qsizetype doc = block.position();
    const int line = verticalScrollBar()->value() - block.firstLineNumber();
    if (line > 0 && block.layout() && line < block.layout()->lineCount())
        doc += block.layout()->lineAt(line).textStart();
    return TextPositionOf(doc);
}

void LongTextBox::PutTopAt(qsizetype doc) {
    const QTextBlock block = document()->findBlock(static_cast<int>(doc));
    int line = block.firstLineNumber();
    if (block.layout() && block.layout()->lineCount() > 0)
        line += block.layout()
                    ->lineForTextPosition(static_cast<int>(doc - block.position()))
                    .lineNumber();
    verticalScrollBar()->setValue(line);
}

void LongTextBox::Rehold(qsizetype from) {
    const bool whole = WholeSelected();
    if (!IsEditing()) {
        Hold(from);
    } else {
        // The caret and the typing stay; the undo history goes with the document.
        const QTextCursor caret = textCursor();
        const qsizetype anchor = TextPositionOf(caret.anchor());
        const qsizetype position = TextPositionOf(caret.position());
        text_ = EditedText();
        Hold(from);
        MarkBreaks();
        // A selection reaching out of the new stretch is let go, rather than
        // cut short to something the user did not select.
        const bool selectionHeld = anchor >= start_ && anchor <= end_;
        QTextCursor moved(document());
        moved.setPosition(static_cast<int>(DocOf(selectionHeld ? anchor : position)));
        moved.setPosition(static_cast<int>(DocOf(position)), QTextCursor::KeepAnchor);
        setTextCursor(moved);
    }
    // The whole text stays selected whatever stretch is held.
    if (whole) SelectAll();
}

void LongTextBox::Recentre(qsizetype position) {
    const QTextBlock block = firstVisibleBlock();
    const int line = verticalScrollBar()->value() - block.firstLineNumber();
    const qsizetype top = TextPositionOf(block.position());
    recentring_ = true;
    Rehold(position - kStretch / 2);
    const QTextBlock same = document()->findBlock(static_cast<int>(DocOf(top)));
    verticalScrollBar()->setValue(same.firstLineNumber() + std::max(0, line));
    recentring_ = false;
    FollowView();
}

void LongTextBox::ScrollToPosition(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    const qsizetype margin = kStretch / 4;
    const bool near = (position >= start_ + margin || start_ == 0) &&
                      (position <= end_ - margin || end_ == text_.size());
    recentring_ = true;
    if (Windowed() && (!near || (IsEditing() && document()->isModified())))
        Rehold(position - kStretch / 2);
    PutTopAt(DocOf(position));
    recentring_ = false;
    FollowView();
}

void LongTextBox::FollowView() {
    // Not while the document is being changed: what was typed is known
    // whole only once the change is done.
    if (recentring_ || changing_ || !Windowed()) return;
    QScrollBar* inner = verticalScrollBar();
    const qsizetype top = TopPosition();
    following_ = true;
    if (end_ == text_.size() && inner->value() == inner->maximum() && inner->maximum() > 0)
        bar_->setValue(bar_->maximum());
    else
        bar_->setValue(static_cast<int>(std::min<qsizetype>(top, INT_MAX)));
    following_ = false;
    // Near either end of the stretch held, unless a mouse button is down
    // (a selection being drawn), the stretch moves to have the view in its
    // middle.
    const qsizetype topDoc = firstVisibleBlock().position();
    const qsizetype margin = kStretch / 4;
    const bool nearStart = topDoc < margin && start_ > 0;
    const bool nearEnd = document()->characterCount() - topDoc < margin && end_ < text_.size();
    if ((nearStart || nearEnd) && QGuiApplication::mouseButtons() == Qt::NoButton) Recentre(top);
}

void LongTextBox::FollowScrollBar(int value) {
    if (following_ || recentring_) return;
    ScrollToPosition(value);
}

void LongTextBox::ScrollBarAction(int action) {
    // A step or a page moves the view by its lines, as the box's own scroll
    // bar does; a drag or a click elsewhere goes to its place in the text.
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderPageStepSub:
            verticalScrollBar()->triggerAction(static_cast<QAbstractSlider::SliderAction>(action));
            following_ = true;
            bar_->setSliderPosition(bar_->value());
            following_ = false;
            break;
        default:
            break;
    }
}

void LongTextBox::MarkBreaks() {
    liveMarks_.clear();
    liveMarks_.reserve(marks_.size());
    for (const Mark& mark : marks_) {
        QTextCursor cursor(document());
        cursor.setPosition(static_cast<int>(mark.doc));
        cursor.setPosition(static_cast<int>(mark.doc) + 1, QTextCursor::KeepAnchor);
        liveMarks_.push_back(cursor);
    }
    document()->setModified(false);
}

void LongTextBox::BeginEdit() {
    if (IsEditing()) return;
    // A line end typed is written as the text's first one is.
    const qsizetype first =
        std::find_if(text_.cbegin(), text_.cend(), EndsParagraph) - text_.cbegin();
    newLine_ = first < text_.size() && text_.at(first) == '\r'
                   ? (first + 1 < text_.size() && text_.at(first + 1) == '\n' ? "\r\n" : "\r")
                   : "\n";
    MarkBreaks();
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // The typing in a stretch of a long text is not undone across a move of
    // the stretch, nor beyond a change to all of it.
    setUndoRedoEnabled(!Windowed());
    lockedFlags_ = textInteractionFlags();
    SetEditing(*this, true);
    setReadOnly(false);
    setFocus(Qt::OtherFocusReason);
}

void LongTextBox::EndEdit() {
    if (!IsEditing()) return;
    const qsizetype top = TopPosition();
    const QString text = EditedText();
    liveMarks_.clear();
    SetEditing(*this, false);
    setReadOnly(true);
    setTextInteractionFlags(lockedFlags_);
    setUndoRedoEnabled(true);
    text_ = text;
    recentring_ = true;
    Hold(top - kStretch / 2);
    PutTopAt(DocOf(top));
    recentring_ = false;
    FollowView();
}

QString LongTextBox::EditedText() const {
    if (!IsEditing() || !document()->isModified()) return text_;
    return text_.left(start_) + TextOf(document()->characterCount()) + text_.mid(end_);
}

bool LongTextBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && KeepsKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void LongTextBox::keyPressEvent(QKeyEvent* event) {
    if (TakeEditKey(*event, true)) return;
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (Windowed()) {
        // The text's own start and end, not those of the stretch held.
        const bool toStart = event->matches(QKeySequence::MoveToStartOfDocument) ||
                             (!IsEditing() && event->key() == Qt::Key_Home);
        const bool toEnd = event->matches(QKeySequence::MoveToEndOfDocument) ||
                           (!IsEditing() && event->key() == Qt::Key_End);
        if (toStart || toEnd) {
            ScrollToPosition(toStart ? 0 : text_.size());
            if (IsEditing()) moveCursor(toStart ? QTextCursor::Start : QTextCursor::End);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LongTextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    RequestEdit();
}

void LongTextBox::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    FocusLeft(*event);
}
