// Pointer handling of the album window: button highlighting, dragging the
// frameless window by its background, and the minimise and close glyphs.
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <optional>
#include <utility>
#include <vector>

#include "album_window/form1.h"
#include "widgets/twips.h"

namespace {

// The shown or hidden states one hover event asks for, applied together at
// its end. Every hover event puts the whole window back to rest before it
// lights one button, so most pictures end as they began; hiding and showing
// again the picture under the pointer would make it lose the pointer for a
// moment, which cancels the tooltip about to show, so only real changes are
// made.
class Visibility {
public:
    // The picture's own shown state, as this event has set it so far.
    bool Visible(QWidget* w) const {
        for (const auto& [widget, shown] : states_)
            if (widget == w) return shown;
        return w->isVisibleTo(w->parentWidget());
    }
    void Set(QWidget* w, bool shown) {
        for (auto& state : states_)
            if (state.first == w) {
                state.second = shown;
                return;
            }
        states_.emplace_back(w, shown);
    }
    void Apply() const {
        for (const auto& [widget, shown] : states_)
            if (widget->isVisibleTo(widget->parentWidget()) != shown) widget->setVisible(shown);
    }

private:
    std::vector<std::pair<QWidget*, bool>> states_;
};

// The album window at rest: the glyphs hidden, every button's normal picture
// shown and its highlighted one hidden.
void SetRest(Visibility& v, QWidget* minimise, QWidget* close,
             const std::array<std::pair<Picture*, Picture*>, 8>& pairs) {
    v.Set(minimise, false);
    v.Set(close, false);
    for (auto [normal, highlighted] : pairs) {
        v.Set(highlighted, false);
        v.Set(normal, true);
    }
}

}  // namespace

std::array<std::pair<Picture*, Picture*>, 8> Form1::ButtonPairs() const {
    return {{{Image16, Image9},
             {Image19, Image8},
             {Image18, Image5},
             {Image17, Image10},
             {Image14, Image6},
             {Image11, Image12},
             {Image13, Image4},
             {Image15, Image7}}};
}

void Form1::ResetButtonHighlights() {
    Visibility v;
    SetRest(v, Image2, Image3, ButtonPairs());
    v.Apply();
}

void Form1::HighlightButton(Picture& first, Picture& second) {
    Visibility v;
    SetRest(v, Image2, Image3, ButtonPairs());
    // The album window's pairs are at rest now, and a caller from another
    // window puts its own pair at rest first, so swapping the pair lights it
    // whichever of its two pictures the pointer is over.
    v.Set(&first, !v.Visible(&first));
    v.Set(&second, !v.Visible(&second));
    v.Apply();
}

// The pointer's place in the window's own coordinates, in twips. It is worked
// out from the pointer's screen position and the window's position as last
// set, not taken from the event: under X a move of the window reaches the
// server some time after it is asked for, and pointer events sent meanwhile
// are relative to the old place, which would make a drag overshoot.
static QPointF PointerInWindow(const QWidget& window, const QMouseEvent& event) {
    const QPointF p = event.globalPosition() - QPointF(window.geometry().topLeft());
    return {PixelsToTwips(p.x()), PixelsToTwips(p.y())};
}

void Form1::mousePressEvent(QMouseEvent* event) {
    StartDrag(*event);
    event->accept();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = PointerInWindow(*this, *event);
    Form_MouseMove(static_cast<float>(pos.x()), static_cast<float>(pos.y()));
    event->accept();
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    EndDrag(*event);
    event->accept();
}

void Form1::StartDrag(const QMouseEvent& event) {
    // Any button starts a drag; a second press only takes new start values.
    const QPointF pos = PointerInWindow(*this, event);
    DragActive = true;
    DragStartX = static_cast<float>(pos.x());
    DragStartY = static_cast<float>(pos.y());
    if (event.button() == Qt::RightButton) rightPress_ = event.globalPosition();
}

void Form1::EndDrag(const QMouseEvent& event) {
    DragActive = false;
    if (event.button() != Qt::RightButton || !rightPress_) return;
    // The window follows the pointer, so how far the pointer went on the
    // screen is how far the window was dragged: a right click that barely
    // moved it opens the photo's menu, when it was in the frame.
    const QPointF moved = event.globalPosition() - *std::exchange(rightPress_, std::nullopt);
    if (moved.manhattanLength() >= QApplication::startDragDistance()) return;
    OpenPhotoMenu(mapFromGlobal(event.globalPosition()).toPoint());
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The photo takes the left button's clicks for itself; the right button
    // drags the window by it, as by the window's background.
    const QEvent::Type type = event->type();
    if (watched != Image1 || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, event);
    const auto& mouse = static_cast<const QMouseEvent&>(*event);
    if (type == QEvent::MouseButtonPress && mouse.button() == Qt::RightButton) {
        StartDrag(mouse);
    } else if (type == QEvent::MouseMove && DragActive) {
        const QPointF pos = PointerInWindow(*this, mouse);
        Form_MouseMove(static_cast<float>(pos.x()), static_cast<float>(pos.y()));
    } else if (type == QEvent::MouseButtonRelease && DragActive) {
        EndDrag(mouse);
    }
    return false;
}

void Form1::Form_MouseMove(float x, float y) {
    ResetButtonHighlights();
    if (!DragActive) return;
    // The window follows the pointer's displacement since the press; once
    // moved, the pointer stands at the press point again, so the start values
    // hold for the whole drag. Nothing keeps the window on the screen.
    const float left = static_cast<float>(PixelsToTwips(pos().x())) + (x - DragStartX);
    const float top = static_cast<float>(PixelsToTwips(pos().y())) + (y - DragStartY);
    move(TwipsToPixels(left), TwipsToPixels(top));
}

void Form1::Label1_MouseMove() {
    Visibility v;
    SetRest(v, Image2, Image3, ButtonPairs());
    v.Set(Image2, true);
    v.Apply();
}

void Form1::Label2_MouseMove() {
    Visibility v;
    SetRest(v, Image2, Image3, ButtonPairs());
    v.Set(Image3, true);
    v.Apply();
}

void Form1::Image2_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::Image3_Click() {
    // A field being corrected is saved, not lost: a refused save keeps the
    // program open.
    if (!FinishEdit()) return;
    // Ends the program at once: every window of the program goes, without a
    // question, a saving step or a clean-up of files. Windows are hidden, not
    // closed, so none of them gets a close event to react to, and the album
    // window's activation is switched off first so no window handing focus
    // back to it on the way out reopens the album.
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr);
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closed from outside (the window manager's close, Alt+F4, the taskbar):
    // the program ends just as by its own close glyph, rather than living on
    // behind an open picker or photo list.
    if (!FinishEdit()) {
        event->ignore();
        return;
    }
    event->accept();
    Image3_Click();
}
