#include "app/photo_numbers.h"

#include <QIODevice>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/val.h"
#include "base/whole_number.h"

namespace {

// A number the locale accepted, rewritten with ASCII digits, '.', '+', '-'
// and 'e', group separators dropped; nothing when it holds a character this
// rewriting does not know (digits of another script, say).
std::optional<std::string> PlainNumber(const QString& text, const QLocale& locale) {
    const QString point = locale.decimalPoint(), group = locale.groupSeparator();
    const QString minus = locale.negativeSign(), plus = locale.positiveSign();
    const QString exponent = locale.exponential();
    std::string plain;
    for (qsizetype i = 0; i < text.size();) {
        auto at = [&](const QString& symbol) {
            return !symbol.isEmpty() && QStringView(text).mid(i).startsWith(symbol);
        };
        const QChar c = text[i];
        if (c >= '0' && c <= '9') {
            plain += static_cast<char>(c.unicode());
            ++i;
        } else if (at(point)) {
            plain += '.';
            i += point.size();
        } else if (at(group)) {
            i += group.size();
        } else if (at(minus) || c == '-' || c == QChar(0x2212)) {
            plain += '-';
            i += at(minus) ? minus.size() : 1;
        } else if (at(plus) || c == '+') {
            plain += '+';
            i += at(plus) ? plus.size() : 1;
        } else if (at(exponent) || c == 'e' || c == 'E') {
            plain += 'e';
            i += at(exponent) ? exponent.size() : 1;
        } else {
            return std::nullopt;
        }
    }
    return plain;
}

enum class Kind { Whole, Fraction, OutOfRange, Unknown };
struct Exact {
    Kind kind = Kind::Unknown;
    std::int64_t whole = 0;
};

// The number a plain decimal text (sign, digits, a point, an exponent) stands
// for, worked out digit by digit: a whole number within the range of photo
// numbers (those of 64-bit integers), a number with a fraction, a whole number
// out of that range, or Unknown for a text of another form.
Exact ExactNumberOf(const std::string& plain) {
    std::size_t i = 0;
    bool negative = false;
    if (i < plain.size() && (plain[i] == '+' || plain[i] == '-')) negative = plain[i++] == '-';

    // The significant digits and the power of ten of the last one.
    std::string digits;
    long long power = 0;
    bool seenPoint = false, seenDigit = false;
    for (; i < plain.size() && (IsDigit(plain[i]) || plain[i] == '.'); ++i) {
        if (plain[i] == '.') {
            if (seenPoint) return {};
            seenPoint = true;
            continue;
        }
        seenDigit = true;
        if (!digits.empty() || plain[i] != '0') digits += plain[i];
        if (seenPoint) --power;
    }
    if (!seenDigit) return {};
    if (i < plain.size() && plain[i] == 'e') {
        ++i;
        bool negativeExponent = false;
        if (i < plain.size() && (plain[i] == '+' || plain[i] == '-'))
            negativeExponent = plain[i++] == '-';
        if (i == plain.size()) return {};
        long long exponent = 0;
        for (; i < plain.size() && IsDigit(plain[i]); ++i)
            exponent = std::min(exponent * 10 + (plain[i] - '0'), 1'000'000'000LL);
        power += negativeExponent ? -exponent : exponent;
    }
    if (i != plain.size()) return {};

    if (digits.empty()) return {Kind::Whole, 0};  // zero, with any sign or exponent
    // Zeros at the end below the units make no fraction.
    while (power < 0 && digits.back() == '0') {
        digits.pop_back();
        ++power;
    }
    if (power < 0) return {Kind::Fraction};
    if (static_cast<long long>(digits.size()) + power > 19) return {Kind::OutOfRange};
    digits.append(static_cast<std::size_t>(power), '0');

    // At most 19 digits: an unsigned 64-bit number holds them all.
    std::uint64_t magnitude = 0;
    for (const char d : digits) magnitude = magnitude * 10 + static_cast<std::uint64_t>(d - '0');
    constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (magnitude > (negative ? kMax + 1 : kMax)) return {Kind::OutOfRange};
    const std::int64_t whole =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return {Kind::Whole, whole};
}

}  // namespace

std::optional<store::Value> PhotoNumberFromAnswer(const QString& answer, const QLocale& locale) {
    const QString text = answer.trimmed();
    bool ok = false;
    const double number = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;

    const std::optional<std::string> plain = PlainNumber(text, locale);
    const Exact exact = plain ? ExactNumberOf(*plain) : Exact{};
    switch (exact.kind) {
        case Kind::Whole:
            return store::Value(exact.whole);
        case Kind::Fraction:
            // A fraction finer than a floating-point number can hold at this
            // size reads as a whole number there, yet equals no photo number:
            // not-a-number, which equals nothing, stands for it.
            if (number == std::trunc(number))
                return store::Value(std::numeric_limits<double>::quiet_NaN());
            return store::Value(number);
        case Kind::OutOfRange:
            // A whole number past the photo numbers that rounds to one of
            // them (-2^63) must not find it.
            if (number >= -store::kTwoTo63 && number < store::kTwoTo63)
                return store::Value(std::numeric_limits<double>::quiet_NaN());
            break;
        case Kind::Unknown:
            break;
    }
    return store::Value(number);
}

store::Value PhotoNumberOfEntry(const QString& entry) {
    // The number is what stands before the first blank; an entry without one
    // is read whole.
    const qsizetype blank = entry.indexOf(' ');
    const QString head = blank < 0 ? entry : entry.left(blank);
    // The list writes whole numbers as plain digits: those are read exactly,
    // past 2^53 too, and anything else as Val reads it.
    if (const auto whole = base::WholeNumber(head.toStdString())) return store::Value(*whole);
    return store::Value(Val(blank < 0 ? entry : entry.left(blank + 1)));
}

QString PathFromPathdb(QIODevice& pathdb) {
    QByteArray line = pathdb.readLine(kPathdbLineLimit);
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return QString::fromUtf8(line);
}
