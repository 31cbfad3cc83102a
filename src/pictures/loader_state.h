#pragma once

// What a PictureLoader and its workers share, behind one lock that is never
// held across a file read, a decode or a write. The workers hold it, so a
// read that ends after the loader is gone finds it still there, and `owner`
// null.
#include <memory>
#include <mutex>

#include "pictures/decoded_cache.h"
#include "pictures/loader_thumbnails.h"
#include "pictures/picture_loader.h"
#include "pictures/picture_reader.h"
#include "pictures/read_schedule.h"

namespace pictures {

struct LoaderState : std::enable_shared_from_this<LoaderState> {
    std::mutex mutex;
    PictureLoader* owner = nullptr;
    FrameSize frame;
    qreal devicePixelRatio = 1;
    int frameSerial = 0;
    LoaderHooks hooks;
    int decodes = 0;  // a picture made from a thumbnail is no decode
    DecodedCache cache;
    ReadSchedule reads;
    LoaderThumbnails thumbnails;
};

}  // namespace pictures
