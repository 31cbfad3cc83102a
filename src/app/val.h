#pragma once

#include <QString>

// The number at the start of `text`, read as the album's commands always read
// typed numbers: blanks, tabs and line feeds are passed over, then the longest
// run that forms a number (sign, digits, a decimal point, an exponent with E
// or D) is taken; 0 when the text does not start with one.
double Val(const QString& text);
