// The jump's reading of a typed answer, in the Italian locale and in C's: any
// text gives a number or nothing, and a whole number read exactly is the
// number the locale's own conversion gives, to the last bit a double holds.

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/photo_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString answer =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QLocale& locale : {QLocale(QLocale::Italian, QLocale::Italy), QLocale::c()}) {
        const auto number = PhotoNumberFromAnswer(answer, locale);
        bool ok = false;
        const double asDouble = locale.toDouble(answer.trimmed(), &ok);
        if (number.has_value() != (ok && std::isfinite(asDouble))) std::abort();
        if (!number) continue;
        if (number->isInteger() && static_cast<double>(number->integer()) != asDouble) std::abort();
        if (number->isReal() && !std::isnan(number->real()) && number->real() != asDouble)
            std::abort();
    }
    return 0;
}
