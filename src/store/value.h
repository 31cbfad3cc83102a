#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace store {

// 2^63: a whole double from -kTwoTo63 up to, not including, kTwoTo63 is a
// 64-bit integer, as every photo number is.
inline constexpr double kTwoTo63 = 9223372036854775808.0;

// `d` as a 64-bit integer when it is a whole number in their range.
std::optional<std::int64_t> WholeNumber(double d);

// One field of a row as the store hands it out: null, a whole number, a
// floating-point number or text.
class Value {
public:
    Value() = default;
    Value(std::int64_t n) : v_(n) {}
    Value(int n) : v_(static_cast<std::int64_t>(n)) {}
    Value(double d) : v_(d) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(const char* s) : v_(std::string(s)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isReal() const { return std::holds_alternative<double>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }

    std::int64_t integer() const { return std::get<std::int64_t>(v_); }
    double real() const { return std::get<double>(v_); }
    const std::string& text() const { return std::get<std::string>(v_); }

    // The value as a bound text box shows it: empty for null, whole numbers
    // without a fraction ("7", "6" for 6.0), other numbers in the shortest
    // form that reads back the same, with a dot ("2.5"), text as it is.
    std::string toText() const;

    // The value as a number: integers and reals as they are; text and null
    // read as 0 unless the text is a plain number.
    double toNumber() const;

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

}  // namespace store
