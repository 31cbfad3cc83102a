#include "store/value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace store {

std::string Value::toText() const {
    if (isNull()) return {};
    if (isInteger()) return std::to_string(integer());
    if (isText()) return text();
    const double d = real();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) {
        return std::to_string(static_cast<std::int64_t>(d));
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
}

std::optional<std::int64_t> WholeNumber(double d) {
    if (d == std::trunc(d) && d >= -kTwoTo63 && d < kTwoTo63) return static_cast<std::int64_t>(d);
    return std::nullopt;
}

double Value::toNumber() const {
    if (isInteger()) return static_cast<double>(integer());
    if (isReal()) return real();
    if (isText()) {
        const std::string& s = text();
        double d = 0;
        const auto result = std::from_chars(s.data(), s.data() + s.size(), d);
        if (result.ec == std::errc() && result.ptr == s.data() + s.size()) return d;
    }
    return 0;
}

}  // namespace store
