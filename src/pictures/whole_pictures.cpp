#include "pictures/whole_pictures.h"

#include <QThreadPool>

#include <mutex>

#include "pictures/pool_end.h"

namespace pictures {

struct WholePictures::Owner {
    std::mutex mutex;
    WholePictures* self = nullptr;
};

WholePictures::WholePictures(QObject* parent)
    : QObject(parent), owner_(std::make_shared<Owner>()), pool_(new QThreadPool) {
    owner_->self = this;
    // One at a time: each may take the whole memory budget of a decode.
    pool_->setMaxThreadCount(1);
}

WholePictures::~WholePictures() {
    {
        std::lock_guard lock(owner_->mutex);
        owner_->self = nullptr;
    }
    pool_->clear();
    EndPool(pool_, QDeadlineTimer(kCloseWaitMs));
}

void WholePictures::Read(const QString& path) {
    pool_->start([owner = owner_, path] {
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
