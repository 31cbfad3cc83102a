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
    stretch_.SetText(text);
    Hold(0);
    PlaceScrollBar();
}

void LongTextBox::Hold(qsizetype from) {
    SetWholeSelected(false);
    const QString doc = stretch_.Hold(from);
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
    bar_->setRange(0, static_cast<int>(std::min<qsizetype>(Text().size(), INT_MAX)));
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
    const std::vector<Mark>& marks = stretch_.Marks();
    if (!IsEditing()) return marks;
    std::vector<Mark> live;
    live.reserve(marks.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        const QTextCursor& mark = liveMarks_[k];
        if (!mark.hasSelection()) continue;
        const int at = mark.anchor();
        if (document()->characterAt(at) == stretch_.BreakOf(marks[k]))
            live.push_back({at, marks[k].text, marks[k].length});
    }
    std::sort(live.begin(), live.end(), [](const Mark& a, const Mark& b) { return a.doc < b.doc; });
    return live;
}

QString LongTextBox::TextOf(qsizetype docEnd) const {
    return stretch_.TextOf(document()->toRawText(), LiveMarks(), docEnd);
}

qsizetype LongTextBox::TextPositionOf(qsizetype doc) const {
    if (IsEditing() && document()->isModified()) return StretchStart() + TextOf(doc).size();
    return stretch_.TextPositionOf(doc);
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
        stretch_.SetText(EditedText());
        Hold(from);
        MarkBreaks();
        // A selection reaching out of the new stretch is let go, rather than
        // cut short to something the user did not select.
        const bool selectionHeld = anchor >= StretchStart() && anchor <= StretchEnd();
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
    const qsizetype start = StretchStart(), end = StretchEnd(), size = Text().size();
    position = std::clamp<qsizetype>(position, 0, size);
    const qsizetype margin = kStretch / 4;
    const bool near =
        (position >= start + margin || start == 0) && (position <= end - margin || end == size);
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
    if (StretchEnd() == Text().size() && inner->value() == inner->maximum() && inner->maximum() > 0)
        bar_->setValue(bar_->maximum());
    else
        bar_->setValue(static_cast<int>(std::min<qsizetype>(top, INT_MAX)));
    following_ = false;
    // Near either end of the stretch held, unless a mouse button is down
    // (a selection being drawn), the stretch moves to have the view in its
    // middle.
    const qsizetype topDoc = firstVisibleBlock().position();
    const qsizetype margin = kStretch / 4;
    const bool nearStart = topDoc < margin && StretchStart() > 0;
    const bool nearEnd =
        document()->characterCount() - topDoc < margin && StretchEnd() < Text().size();
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
    liveMarks_.reserve(stretch_.Marks().size());
    for (const Mark& mark : stretch_.Marks()) {
        QTextCursor cursor(document());
        cursor.setPosition(static_cast<int>(mark.doc));
        cursor.setPosition(static_cast<int>(mark.doc) + 1, QTextCursor::KeepAnchor);
        liveMarks_.push_back(cursor);
    }
    document()->setModified(false);
}

void LongTextBox::BeginEdit() {
    if (IsEditing()) return;
    stretch_.BeginTyping();
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
    stretch_.SetText(text);
    recentring_ = true;
    Hold(top - kStretch / 2);
    PutTopAt(DocOf(top));
    recentring_ = false;
    FollowView();
}

QString LongTextBox::EditedText() const {
    if (!IsEditing() || !document()->isModified()) return Text();
    return stretch_.Spliced(TextOf(document()->characterCount()));
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
            ScrollToPosition(toStart ? 0 : Text().size());
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
