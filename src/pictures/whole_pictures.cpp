#include "pictures/whole_pictures.h"

#include <mutex>

namespace pictures {

struct WholePictures::Owner {
    std::mutex mutex;
    WholePictures* self = nullptr;
};

// One at a time: each may take the whole memory budget of a decode.
WholePictures::WholePictures(QObject* parent)
    : QObject(parent), owner_(std::make_shared<Owner>()), readers_(1) {
    owner_->self = this;
}

WholePictures::~WholePictures() {
    {
        std::lock_guard lock(owner_->mutex);
        owner_->self = nullptr;
    }
    readers_.End(QDeadlineTimer(work::kCloseWaitMs));
}

void WholePictures::Read(const QString& path) {
    readers_.Start([owner = owner_, path] {
        const Picture picture = ReadPicture(
            path, [](QSize natural) { return natural; }, 1);
        std::lock_guard lock(owner->mutex);
        // Delivered by this object's event loop; dropped with it if it goes
        // first, which cannot happen before the lock is let go.
        if (WholePictures* self = owner->self)
            QMetaObject::invokeMethod(
                self, [self, path, picture] { emit self->Done(path, picture); },
                Qt::QueuedConnection);
    });
}

}  // namespace pictures
