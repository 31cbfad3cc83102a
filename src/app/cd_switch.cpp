// Switching to an album kept on CD, and back.
#include "album_window/form1.h"
#include "app/module1.h"

void Module1::DeleteLocalCopy() {}

void Form1::Image7_Click() {}
