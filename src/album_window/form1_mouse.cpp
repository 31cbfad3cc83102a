// Pointer handling of the album window: button highlighting, dragging the
// frameless window by its background, and the minimise and close glyphs.
#include <QApplication>
#include <QMouseEvent>

#include "album_window/form1.h"
#include "app/module1.h"
#include "app/twips.h"

void Module1::ResetButtonHighlights() {
    Form1& f = *form1;
    f.Image2->setVisible(false);
    f.Image3->setVisible(false);
    f.Image9->setVisible(false);
    f.Image16->setVisible(true);
    f.Image8->setVisible(false);
    f.Image19->setVisible(true);
    f.Image5->setVisible(false);
    f.Image18->setVisible(true);
    f.Image10->setVisible(false);
    f.Image17->setVisible(true);
    f.Image6->setVisible(false);
    f.Image14->setVisible(true);
    f.Image12->setVisible(false);
    f.Image11->setVisible(true);
    f.Image4->setVisible(false);
    f.Image13->setVisible(true);
    f.Image15->setVisible(true);
    f.Image7->setVisible(false);
}

void Module1::HighlightButton(Picture& first, Picture& second) {
    ResetButtonHighlights();
    // The pair is at rest now, so swapping it highlights it whichever of its
    // two pictures the pointer is over.
    first.setVisible(!first.isVisible());
    second.setVisible(!second.isVisible());
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
    // Any button starts a drag; a second press only takes new start values.
    const QPointF pos = PointerInWindow(*this, *event);
    DragActive = true;
    DragStartX = static_cast<float>(pos.x());
    DragStartY = static_cast<float>(pos.y());
    event->accept();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = PointerInWindow(*this, *event);
    Form_MouseMove(static_cast<float>(pos.x()), static_cast<float>(pos.y()));
    event->accept();
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    DragActive = false;
    event->accept();
}

void Form1::Form_MouseMove(float x, float y) {
    module.ResetButtonHighlights();
    if (!DragActive) return;
    // The window follows the pointer's displacement since the press; once
    // moved, the pointer stands at the press point again, so the start values
    // hold for the whole drag. Nothing keeps the window on the screen.
    const float left = static_cast<float>(PixelsToTwips(pos().x())) + (x - DragStartX);
    move(TwipsToPixels(left), pos().y());
    const float top = static_cast<float>(PixelsToTwips(pos().y())) + (y - DragStartY);
    move(pos().x(), TwipsToPixels(top));
}

void Form1::Label1_MouseMove() {
    module.ResetButtonHighlights();
    Image2->setVisible(true);
}

void Form1::Label2_MouseMove() {
    module.ResetButtonHighlights();
    Image3->setVisible(true);
}

void Form1::Image2_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::Image3_Click() {
    // Ends the program at once: every window of the program goes, without a
    // question, a saving step or a clean-up of files. Windows are hidden, not
    // closed, so none of them gets a close event to react to, and the album
    // window's activation is switched off first so no window handing focus
    // back to it on the way out reopens the album.
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr);
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QApplication::exit(0);
}
