#include "base/whole_number.h"

#include <charconv>

namespace base {

std::optional<std::int64_t> TakeWholeNumber(std::string_view& text) {
    // from_chars takes a '-' but no '+'.
    const std::size_t from = !text.empty() && text.front() == '+' ? 1 : 0;
    if (from == 1 && text.size() > 1 && text[1] == '-') return std::nullopt;
    std::int64_t n = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + from, end, n);
    if (error != std::errc()) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
    return n;
}

std::optional<std::int64_t> WholeNumber(std::string_view text) {
    const auto n = TakeWholeNumber(text);
    return text.empty() ? n : std::nullopt;
}

}  // namespace base
