// When the album window counts as activated: on its first showing, and when
// it becomes the focused window again after the picker or the photo list.
#include <QApplication>
#include <QMetaObject>

#include "album_window/form1.h"
#include "app/module1.h"
#include "widgets/program_window.h"

void Form1::Form_Activate() {
    // Reopening the album shows its fields anew: a field whose save was
    // refused is tried again first, and keeps what was typed if refused again.
    if (!FinishEdit()) return;
    module.Activate();
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Form1::FocusWindowChanged,
            Qt::UniqueConnection);
    connect(windowHandle(), &QWindow::screenChanged, this, &Form1::ScreenChanged,
            Qt::UniqueConnection);
    // After the window is on screen, so a prompt for the album opens over it.
    QMetaObject::invokeMethod(this, &Form1::Form_Activate, Qt::QueuedConnection);
}

namespace {

// The picker and the photo list, and the boxes they own (the picker's five
// questions): the focus coming back from any of them is a return to the album
// window.
bool BelongsToProgramWindow(QWindow* window) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != window) continue;
        for (QWidget* w = top; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
            if (w->property(kProgramWindowProperty).toBool()) return true;
        return false;
    }
    return false;
}

}  // namespace

bool Form1::IsActivation(QWindow* previous, QWindow* now) const {
    if (!now || now != windowHandle() || !previous || previous == now) return false;
    return BelongsToProgramWindow(previous);
}

void Form1::FocusWindowChanged(QWindow* now) {
    // Focus passes through "none" when the user visits another application,
    // so the window that last had it is the one that counts.
    if (!now) return;
    QWindow* previous = lastFocusWindow_;
    // That window may be gone by now (the last of the picker's questions, or
    // the picker unloaded as it hides), so what it was is remembered.
    const bool activation = previous ? IsActivation(previous, now)
                                     : lastFocusFromProgramWindow_ && now == windowHandle();
    lastFocusWindow_ = now;
    lastFocusFromProgramWindow_ = BelongsToProgramWindow(now);
    if (activation) Form_Activate();
}
