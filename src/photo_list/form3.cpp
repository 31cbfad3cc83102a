#include "photo_list/form3.h"

#include "album_window/form1.h"
#include "app/module1.h"

Form3::Form3(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
}

Form3* Module1::LoadForm3() {
    if (!form3) form3 = new Form3(*this);
    return form3;
}

void Form1::Image1_Click() {}
void Form1::Label3_Click() {}
