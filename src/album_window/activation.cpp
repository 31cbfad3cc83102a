// When the album window counts as activated: on its first showing, and when
// it becomes the focused window again after the picker or the photo list.
#include <QApplication>
#include <QMetaObject>

#include "album_window/form1.h"
#include "app/module1.h"

void Form1::Form_Activate() {
    module.CdMode = false;
    module.OpenAlbum();
    module.ReturnToPickedPhoto();
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Form1::FocusWindowChanged,
            Qt::UniqueConnection);
    // After the window is on screen, so a prompt for the album opens over it.
    QMetaObject::invokeMethod(this, &Form1::Form_Activate, Qt::QueuedConnection);
}

bool Form1::IsActivation(QWindow* previous, QWindow* now) const {
    if (!now || now != windowHandle() || !previous || previous == now) return false;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowHandle() == previous) return window->property(kProgramWindowProperty).toBool();
    }
    return false;
}

void Form1::FocusWindowChanged(QWindow* now) {
    // Focus passes through "none" when the user visits another application,
    // so the window that last had it is the one that counts.
    if (!now) return;
    QWindow* previous = lastFocusWindow_;
    lastFocusWindow_ = now;
    if (IsActivation(previous, now)) Form_Activate();
}
