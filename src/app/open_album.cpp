#include "app/module1.h"

void Module1::OpenAlbum() {}
