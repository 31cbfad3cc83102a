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

void Form1::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    DragActive = true;
    DragStartX = static_cast<float>(PixelsToTwips(pos.x()));
    DragStartY = static_cast<float>(PixelsToTwips(pos.y()));
    event->accept();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    Form_MouseMove(static_cast<float>(PixelsToTwips(pos.x())),
                   static_cast<float>(PixelsToTwips(pos.y())));
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

void Form1::Image2_Click() { setWindowState(windowState() | Qt::WindowMinimized); }

void Form1::Image3_Click() {
    // Ends the program at once: every window closes, nothing is asked or
    // saved, and no file is cleaned up.
    QApplication::closeAllWindows();
    QApplication::exit(0);
}
