#pragma once

// A helper of the bottom room that reaches up into the store: what the arrow
// check refuses.
#include "store/value.h"
