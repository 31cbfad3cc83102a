#pragma once

// A picture's bytes read through a device that remembers whether a read
// failed. The decoders take a failed read for the end of the file and show
// what came before it, the rest grey, as for a file cut short: a damaged
// medium or a share gone would leave half a picture.
#include <QIODevice>

namespace pictures {

class WatchedDevice final : public QIODevice {
public:
    // Reads `inner`, open for reading, from where it stands; a file or a
    // buffer, whose reads wait for their bytes.
    explicit WatchedDevice(QIODevice& inner);

    // Whether a read of `inner` failed since.
    bool Failed() const { return failed_; }

    bool isSequential() const override { return inner_.isSequential(); }
    qint64 size() const override { return inner_.size(); }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char* data, qint64 most) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& inner_;
    bool failed_ = false;
};

}  // namespace pictures
