#include "app/module1.h"

#include "add_photo/form2.h"
#include "photo_list/form3.h"

Module1::Module1(Dialogs& dialogs, Platform& platform) : dialogs(dialogs), platform(platform) {}

Module1::~Module1() {
    delete form2.data();
    delete form3.data();
}
