#pragma once

// Adding many photos, with Qt's picture classes: what the arrow check refuses.
#include <QtGui/QImage>
