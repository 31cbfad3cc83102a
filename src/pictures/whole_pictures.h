#pragma once

// Pictures read whole, at their own size, on a thread of their own: what the
// clipboard is given. The window never waits for the read.
#include <QObject>
#include <QString>
#include <memory>

#include "pictures/picture_reader.h"
#include "work/workers.h"

namespace pictures {

class WholePictures : public QObject {
    Q_OBJECT

public:
    explicit WholePictures(QObject* parent = nullptr);
    // Drops the reads not yet started and waits for the one running at most
    // kCloseWaitMs: one hung on a dead share is left to it.
    ~WholePictures() override;

    // Reads the picture of `path`, upright and in sRGB, at its own size;
    // Done tells when it is done, on this object's thread.
    void Read(const QString& path);

signals:
    void Done(const QString& path, const pictures::Picture& picture);

private:
    struct Owner;
    std::shared_ptr<Owner> owner_;  // shared with the reads, which may outlive this
    work::Workers readers_;
};

}  // namespace pictures
