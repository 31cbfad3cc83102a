// The grid's keys, mouse and search.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/module1.h"
#include "viewer/grid_view.h"

namespace viewer {

bool GridView::event(QEvent* event) {
    // Every key is the grid's own: typed letters are words sought.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool GridView::MoveKey(int key, Qt::KeyboardModifiers modifiers) {
    const int columns = Columns();
    const int page = columns * std::max(1, viewport()->height() / Cell());
    switch (key) {
        case Qt::Key_Left:
            SetCurrent(current_ - 1);
            return true;
        case Qt::Key_Right:
            SetCurrent(current_ + 1);
            return true;
        case Qt::Key_Up:
            if (current_ >= columns) SetCurrent(current_ - columns);
            return true;
        case Qt::Key_Down:
            if (current_ + columns < model_.rowCount()) SetCurrent(current_ + columns);
            return true;
        case Qt::Key_PageUp:
            SetCurrent(current_ - std::min(page, current_ / columns * columns));
            return true;
        case Qt::Key_PageDown:
            SetCurrent(current_ + page);
            return true;
        case Qt::Key_Home:
            SetCurrent(0);
            return true;
        case Qt::Key_End:
            SetCurrent(model_.rowCount() - 1);
            return true;
        default:
            (void)modifiers;
            return false;
    }
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (MoveKey(event->key(), event->modifiers())) return;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (model_.rowCount() > 0) emit Chosen();
            return;
        case Qt::Key_Escape:
            // The words go first; then the grid, and full screen with it.
            if (!words_.isEmpty())
                SetWords({});
            else
                emit LeaveWanted();
            return;
        case Qt::Key_Backspace:
            if (!words_.isEmpty()) SetWords(words_.chopped(1));
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (control) Resize(+1);
            return;
        case Qt::Key_Minus:
            if (control) Resize(-1);
            return;
        default:
            break;
    }
    const QString text = event->text();
    if (!control && !text.isEmpty() && text.at(0).isPrint()) {
        SetWords(words_ + text);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void GridView::Resize(int step) {
    const int index = std::clamp(sizeIndex_ + step, 0, int(std::size(kSides)) - 1);
    if (index == sizeIndex_) return;
    sizeIndex_ = index;
    KeepInView(current_);
    viewport()->update();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const auto [first, last] = RowsInView();
    for (int row = first; row <= last; ++row) {
        if (!TileRect(row).contains(event->position().toPoint())) continue;
        SetCurrent(row);
        emit Chosen();
        return;
    }
}

void GridView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        // Pinching in, as it were: the framed photo full screen.
        if (event->angleDelta().y() > 0 && model_.rowCount() > 0) emit Chosen();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void GridView::SetWords(const QString& words) {
    words_ = words;
    Refill();
}

void GridView::Refill() {
    // The photo framed stays framed when the search still finds it.
    const GridModel::Tile* tile = model_.At(current_);
    const std::optional<store::Value> framed =
        tile ? std::optional<store::Value>(tile->id) : std::nullopt;
    Search();
    SetCurrent(framed ? model_.RowOf(*framed) : 0);
}

void GridView::Search() {
    // As the photo list searches; while the word index is being built the
    // whole album stays in the grid.
    // The whole album's index carries the pictures, so a frame reads none.
    std::unique_ptr<store::PhotoIndex> found =
        words_.trimmed().isEmpty() ? nullptr : module_.FindPhotos(words_);
    searchPending_ = !words_.trimmed().isEmpty() && !found;
    model_.SetIndex(found ? std::move(found) : module_.OpenPictureIndex());
    UpdateScrollBar();
    viewport()->update();
}

void GridView::TellReaders() {
    // A screen reader follows the frame as it would a list's current item.
    if (!QAccessible::isActive() || model_.rowCount() == 0) return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(current_);
    QAccessible::updateAccessibility(&focus);
}

}  // namespace viewer
