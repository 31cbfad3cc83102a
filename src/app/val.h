#pragma once

#include <QString>
#include <string_view>

// The number a text begins with, read the way the album has always read its
// photo numbers: leading blanks skipped, then the longest number found there
// (sign, digits, a decimal point, an exponent), 0 when the text does not begin
// with one. The point is always the decimal separator, whatever the locale:
// this reads what the program itself wrote, not what a person typed.
double Val(std::string_view text);
double Val(const QString& text);
inline double Val(const char* text) {
    return Val(std::string_view(text));
}

// An ASCII digit, whatever the locale.
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
