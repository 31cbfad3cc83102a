// The number a photo-list entry starts with, for any entry: a number equal
// to what Val makes of its part before the first blank (exactly, for plain
// digits).

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
    const store::Value number = PhotoNumberOfEntry(entry);
    const double read = number.isInteger() ? static_cast<double>(number.integer()) : number.real();
    if (std::isnan(read)) std::abort();
    if (read != Val(entry.section(' ', 0, 0))) std::abort();
    return 0;
}
