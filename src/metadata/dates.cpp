// Reading the dates of photo metadata.
#include "metadata/dates.h"

#include <cstdio>

namespace metadata {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number written by `count` digits at `at`, or -1.
int Number(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsSeparator(char c) {
    return c == ':' || c == '-' || c == '/' || c == '.' || c == ' ';
}

int DaysIn(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<Date> ParseDate(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    Date date{Number(text, 0, 4), -1, -1};
    std::size_t end = 0;
    if (text.size() >= 10 && IsSeparator(text[4]) && text[7] == text[4]) {
        date.month = Number(text, 5, 2);
        date.day = Number(text, 8, 2);
        end = 10;
    } else {
        date.month = Number(text, 4, 2);
        date.day = Number(text, 6, 2);
        end = 8;
    }
    // A ninth digit would make it some other number.
    if (text.size() > end && IsDigit(text[end])) return std::nullopt;
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > DaysIn(date.month, date.year))
        return std::nullopt;
    return date;
}

std::string FormatDate(const Date& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", date.day % 100, date.month % 100,
                  date.year % 100);
    return text;
}

}  // namespace metadata
