#include "base/italian_count.h"

namespace base {

std::string ItalianCount(std::int64_t n) {
    const std::string digits = std::to_string(n);
    const std::size_t sign = n < 0 ? 1 : 0;
    std::string text = digits.substr(0, sign);
    for (std::size_t i = sign; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0) text += '.';
        text += digits[i];
    }
    return text;
}

}  // namespace base
