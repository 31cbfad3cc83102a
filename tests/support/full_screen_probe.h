#pragma once

#include <QLabel>
#include <QTimer>

#include "pictures/picture_loader.h"
#include "viewer/full_screen.h"

// What a test sees of the full screen view beyond what it shows: its labels,
// its clocks and its loaders.
struct FullScreenProbe {
    static QLabel& Caption(viewer::FullScreenView& v) { return *v.caption_; }
    static QLabel& Notice(viewer::FullScreenView& v) { return *v.noticeLabel_; }
    static QTimer& SlideshowTimer(viewer::FullScreenView& v) { return v.slideshowTimer_; }
    static QTimer& CaptionTimer(viewer::FullScreenView& v) { return v.captionTimer_; }
    // The loader of pictures at the screen's size, and the one of pictures at
    // their own size.
    static pictures::PictureLoader& Loader(viewer::FullScreenView& v) { return *v.loader_; }
    static pictures::PictureLoader& FullLoader(viewer::FullScreenView& v) { return *v.fullLoader_; }
};
