#pragma once

// The full screen view reaching the album's engine behind the album object:
// what the arrow check refuses.
#include "store/sqlite_engine.h"
