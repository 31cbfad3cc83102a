#pragma once

// A control that reaches up into a window: what the arrow check refuses.
#include "album_window/form1.h"
