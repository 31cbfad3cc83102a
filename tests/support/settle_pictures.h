#pragma once

// The album window's pictures come from worker threads: lets every read end
// and its picture reach the window before a test looks at the frame.
#include <QCoreApplication>

#include "pictures/picture_loader.h"

inline void SettlePictures(pictures::PictureLoader& loader) {
    loader.WaitUntilIdle();
    QCoreApplication::processEvents();
}
