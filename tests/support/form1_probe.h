#pragma once

#include <QPointer>

#include "add_photo/form2.h"
#include "album_window/form1.h"
#include "photo_list/form3.h"

class QMenu;
class QWindow;

// What a test sees of the album window beyond its named controls
// (tests/support/controls.h): the windows it has loaded, the drag of its
// background, and the handlers no control reaches.
struct Form1Probe {
    static QPointer<Form2> Picker(const Form1& f) { return f.form2; }
    static QPointer<Form3> PhotoList(const Form1& f) { return f.form3; }
    static Form2* LoadForm2(Form1& f) { return f.LoadForm2(); }
    static void UnloadForm2(Form1& f) { f.UnloadForm2(); }
    static Form3* LoadForm3(Form1& f) { return f.LoadForm3(); }

    static bool DragActive(const Form1& f) { return f.DragActive; }
    static void Form_MouseMove(Form1& f, float x, float y) { f.Form_MouseMove(x, y); }
    static bool IsActivation(const Form1& f, QWindow* previous, QWindow* now) {
        return f.IsActivation(previous, now);
    }
    static void FocusWindowChanged(Form1& f, QWindow* now) { f.FocusWindowChanged(now); }
    static void HighlightButton(Form1& f, Picture& first, Picture& second) {
        f.HighlightButton(first, second);
    }

    static viewer::FullScreenView* FullScreen(const Form1& f) { return f.FullScreen; }
    static void ShowFullScreen(Form1& f) { f.ShowFullScreen(); }
    static QMenu* PhotoMenu(Form1& f) { return f.PhotoMenu(); }
};
