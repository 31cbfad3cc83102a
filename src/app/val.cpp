#include "app/val.h"

#include <cmath>

namespace {

bool IsBlank(QChar c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(QChar c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double Val(const QString& text) {
    // The characters that form the number, blanks left out.
    QString number;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) ++i;
    };
    auto takeDigits = [&] {
        qsizetype taken = 0;
        for (skipBlanks(); i < text.size() && IsDigit(text[i]); skipBlanks()) {
            number += text[i++];
            ++taken;
        }
        return taken;
    };

    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    qsizetype digits = takeDigits();
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        digits += takeDigits();
    }
    if (digits == 0) return 0;

    // An exponent counts only when digits follow it.
    if (i < text.size() && QString("EeDd").contains(text[i])) {
        const qsizetype mark = i;
        const qsizetype kept = number.size();
        number += 'e';
        ++i;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        if (takeDigits() == 0) {
            number.truncate(kept);
            i = mark;
        }
    }

    // A number too large to hold reads as infinite, which matches no photo.
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok || std::isinf(value) ? value : 0;
}
