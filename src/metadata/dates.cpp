// Reading the dates of photo metadata.
#include "metadata/dates.h"

#include <algorithm>
#include <chrono>
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

// The day at the text's start and where it ends in `text` (blanks before
// it skipped), or nothing.
std::optional<Date> DayAt(std::string_view& text, std::size_t& end) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    Date date{Number(text, 0, 4), -1, -1};
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

// The seconds since midnight of a time written "hh:mm[:ss]" or "hhmm[ss]"
// at `at`, after a blank or a "T"; 0 for anything else.
int TimeOfDay(std::string_view text, std::size_t at) {
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) ++at;
    const int hour = Number(text, at, 2);
    at += 2;
    if (at < text.size() && text[at] == ':') ++at;
    const int minute = Number(text, at, 2);
    at += 2;
    if (at < text.size() && text[at] == ':') ++at;
    const int second = std::max(Number(text, at, 2), 0);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second > 60) return 0;
    // A leap second counts as the one before it.
    return (hour * 60 + minute) * 60 + std::min(second, 59);
}

}  // namespace

std::optional<Date> ParseDate(std::string_view text) {
    std::size_t end = 0;
    return DayAt(text, end);
}

std::optional<std::int64_t> ParseMoment(std::string_view text) {
    std::size_t end = 0;
    const std::optional<Date> date = DayAt(text, end);
    if (!date) return std::nullopt;
    using namespace std::chrono;
    const sys_days day{year{date->year} / month{unsigned(date->month)} / date->day};
    return std::int64_t{day.time_since_epoch().count()} * 86400 + TimeOfDay(text, end);
}

std::string FormatDate(const Date& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", date.day % 100, date.month % 100,
                  date.year % 100);
    return text;
}

}  // namespace metadata
