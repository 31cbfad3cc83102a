#pragma once

// Whole numbers written as decimal digits, read exactly over the whole
// range of a 64-bit integer (past 2^53, where a double loses them).

#include <cstdint>
#include <optional>
#include <string_view>

namespace base {

// The number `text` spells when it is an optional sign and decimal digits,
// nothing else, and fits in 64 bits.
std::optional<std::int64_t> WholeNumber(std::string_view text);

// The number spelt at the start of `text` (an optional sign, then decimal
// digits, as many as there are), taken off `text`; `text` unchanged and no
// number when it starts with none or the number does not fit in 64 bits.
std::optional<std::int64_t> TakeWholeNumber(std::string_view& text);

}  // namespace base
