#include "app/val.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A number past the range of a double: infinity when it is too large, zero
// when too small, judged by the position of its first significant digit.
double OutOfRange(std::string_view number) {
    const bool negative = number.front() == '-';
    long long magnitude = 0;  // decimal exponent of the first significant digit
    bool seenPoint = false, seenSignificant = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        const char c = number[i];
        if (c == '.') {
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (!seenSignificant && c != '0') seenSignificant = true;
            if (seenSignificant && !seenPoint) ++magnitude;
            if (!seenSignificant && seenPoint) --magnitude;
        }
    }
    if (i < number.size()) {
        long long exponent = 0;
        const char* first = number.data() + i + 1;
        if (*first == '+') ++first;
        const auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), exponent);
        (void)ptr;
        if (ec == std::errc::result_out_of_range) exponent = *first == '-' ? -1'000'000 : 1'000'000;
        // Far past the range of a double either way; bounded, so that adding
        // the digits' own magnitude cannot overflow.
        magnitude += std::clamp(exponent, -1'000'000LL, 1'000'000LL);
    }
    if (magnitude > 0) return negative ? -HUGE_VAL : HUGE_VAL;
    return negative ? -0.0 : 0.0;
}

}  // namespace

double Val(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;

    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (digits == 0) return 0;
    std::size_t end = i;

    // An exponent (E, or D as older programs wrote it) counts only with at
    // least one digit after it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && IsDigit(text[j])) ++j;
        if (j > exponentStart) end = j;
    }

    // from_chars reads the point whatever the locale, but takes neither a
    // leading '+' nor the D exponent.
    std::string number(text.substr(start, end - start));
    if (number.front() == '+') number.erase(0, 1);
    for (char& c : number)
        if (c == 'E' || c == 'd' || c == 'D') c = 'e';
    double value = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return OutOfRange(number);
    return value;
}

double Val(const QString& text) {
    const std::string utf8 = text.toStdString();
    return Val(std::string_view(utf8));
}
