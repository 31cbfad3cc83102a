// Reading a picture from any bytes at all: it ends with a frame-sized
// picture or a failure cause, never a crash, a hang or unbounded memory.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "pictures/picture_reader.h"

namespace {

QSize Frame(QSize natural) {
    return natural.scaled(423, 412, Qt::KeepAspectRatio);
}

// The readers' complaints about damaged files would drown the fuzzer's output.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The picture format plug-ins are found through the application.
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(Quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(size));
    const pictures::Picture picture = pictures::DecodePicture(bytes, Frame, 1);
    // A picture read is never empty, and never larger than its whole.
    if (picture.ok() && (picture.image.isNull() || picture.natural.isEmpty() ||
                         picture.image.width() > picture.natural.width() ||
                         picture.image.height() > picture.natural.height()))
        __builtin_trap();
    return 0;
}
