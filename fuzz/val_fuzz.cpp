// Val, the reading of the numbers the album itself wrote, on any text: it
// always gives a number, the same for the text and for its UTF-8 bytes.

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/val.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const double number = Val(bytes);
    if (std::isnan(number)) std::abort();
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Invalid UTF-8 becomes replacement characters, which only end a number.
    if (text.toUtf8() == QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())) &&
        Val(text) != number)
        std::abort();
    return 0;
}
