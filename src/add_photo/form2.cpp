#include "add_photo/form2.h"

#include "album_window/form1.h"
#include "app/module1.h"

Form2::Form2(Module1& module, QWidget* parent) : QWidget(parent), module(module) {
    setProperty(kProgramWindowProperty, true);
}

Form2* Module1::LoadForm2() {
    if (!form2) form2 = new Form2(*this);
    return form2;
}

void Module1::UnloadForm2() {
    if (form2) form2->deleteLater();
}

void Module1::AddPhotoRecord() {}

void Form1::Image6_Click() {}
