// Reading a camera's embedded thumbnail from any first bytes of a file: a
// small upright picture or none, never a crash, a hang or a large decode.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "pictures/exif_thumbnail.h"

namespace {

// The JPEG reader's complaints about damaged thumbnails would drown the
// fuzzer's output.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The picture format plug-ins are found through the application.
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(Quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QImage image = pictures::EmbeddedThumbnailOf(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!image.isNull() &&
        (image.format() != QImage::Format_RGB32 || image.width() > 1024 || image.height() > 1024))
        __builtin_trap();
    return 0;
}
