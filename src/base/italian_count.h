#pragma once

// Counts as the program's Italian messages write them.

#include <cstdint>
#include <string>

namespace base {

// `n` with a point between each three digits: "4.210", "-1.000.000".
std::string ItalianCount(std::int64_t n);

}  // namespace base
