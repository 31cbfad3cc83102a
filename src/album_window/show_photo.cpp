#include "album_window/form1.h"
#include "app/module1.h"

void Module1::ShowPhoto() {}
