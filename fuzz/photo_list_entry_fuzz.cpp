// The number a photo-list entry starts with, for any entry: a number, the
// same as the number its part before the first blank gives.

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/photo_numbers.h"
#include "app/val.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString entry =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const double number = PhotoNumberOfEntry(entry);
    if (std::isnan(number)) std::abort();
    if (number != Val(entry.section(' ', 0, 0))) std::abort();
    return 0;
}
