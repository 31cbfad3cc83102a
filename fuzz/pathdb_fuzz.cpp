// Reading "pathdb" of any content: one line at most, never the line end.

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/photo_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray contents(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer pathdb(&contents);
    if (!pathdb.open(QIODevice::ReadOnly)) std::abort();
    const QString path = PathFromPathdb(pathdb);
    if (path.contains('\n') || path.endsWith('\r')) std::abort();
    if (path.toUtf8().size() > 3 * kPathdbLineLimit) std::abort();
    return 0;
}
