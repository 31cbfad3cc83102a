// Album commands: first, previous, next, last, jump to a number, delete.
#include "album_window/form1.h"
#include "app/module1.h"

void Form1::Image9_Click() {}
void Form1::Image8_Click() {}
void Form1::Image5_Click() {}
void Form1::Image10_Click() {}
void Form1::Image4_Click() {}
void Form1::Image12_Click() {}
