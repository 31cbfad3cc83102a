#pragma once

#include <QString>
#include <optional>

// The photo number a person typed at the jump prompt, read in their own
// locale: blanks around it allowed, the locale's decimal separator. Nothing
// for an empty answer, for text that is not a number, and for infinities and
// not-a-number, which name no photo.
std::optional<double> PhotoNumberFromAnswer(const QString& answer);
