#include "album_window/form1.h"
#include "app/module1.h"

void Form1::Form_Activate() {
    module.CdMode = false;
    module.OpenAlbum();
}
