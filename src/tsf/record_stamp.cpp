#include "tsf/record_stamp.h"

#include <cstdio>

#include "period/calendar.h"
#include "tsf/tsf_header.h"

namespace corvane {
namespace {

// Digits only, between minDigits and maxDigits of them; -1 otherwise.
int Digits(std::string_view text, std::size_t minDigits, std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string_view WithoutPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    return text;
}

}  // namespace

bool StampFromFields(std::string_view year, std::string_view month, std::string_view day,
                     std::string_view hour, std::string_view seconds, Stamp& stamp,
                     DateCache& cache) {
    const int y = Digits(year, 3, 4);
    // The header reads the month and the seconds as numbers, so leading zeros and a plus
    // sign are fine there.
    const int m = Digits(WithoutPlus(month), 1, 6);
    const int d = Digits(day, 1, 2);
    const int h = Digits(hour, 1, 2);
    const int s = Digits(WithoutPlus(seconds), 1, 6);
    if (h < 0 || h > 23 || s < 0 || s > 32767) {
        return false;
    }
    if (y != cache.year || m != cache.month || d != cache.day) {
        if (y < kFirstYear || y > kLastYear || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
            return false;
        }
        cache = {y, m, d, DayNumberFromDate(y, m, d)};
    }
    stamp = cache.dayNumber * kSecondsPerDay + h * kSecondsPerHour + s % 3600;
    return true;
}

bool StampFromFields(std::string_view year, std::string_view month, std::string_view day,
                     std::string_view hour, std::string_view seconds, Stamp& stamp) {
    DateCache cache;
    return StampFromFields(year, month, day, hour, seconds, stamp, cache);
}

bool StampFromPeriodText(std::string_view text, Stamp& stamp) {
    if (text.size() < 13 || text.size() > 14) {
        return false;
    }
    const std::size_t yearDigits = text.size() - 10;
    const int y = Digits(text.substr(0, yearDigits), yearDigits, yearDigits);
    const int m = Digits(text.substr(yearDigits, 2), 2, 2);
    const int d = Digits(text.substr(yearDigits + 2, 2), 2, 2);
    const int h = Digits(text.substr(yearDigits + 4, 2), 2, 2);
    const int s = Digits(text.substr(yearDigits + 6, 4), 4, 4);
    if (y < kFirstYear || y > kLastYear || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m) ||
        h < 0 || h > 23 || s < 0 || s > 3599) {
        return false;
    }
    stamp = DayNumberFromDate(y, m, d) * kSecondsPerDay + h * kSecondsPerHour + s;
    return true;
}

std::string PeriodTextProblem(std::string_view text) {
    const bool digits = text.find_first_not_of("0123456789") == std::string_view::npos;
    if (text.size() < 13 || text.size() > 14 || !digits) {
        return "is not a time 'YYYYMMDDHHSSSS'";
    }
    const std::size_t yearDigits = text.size() - 10;
    const std::string why = StampFieldsProblem(
        text.substr(0, yearDigits), text.substr(yearDigits, 2), text.substr(yearDigits + 2, 2),
        text.substr(yearDigits + 4, 2), text.substr(yearDigits + 6, 4), 3599);
    return "is not a time: " + why;
}

std::string RecordStampProblem(std::string_view year, std::string_view month, std::string_view day,
                               std::string_view hour, std::string_view seconds) {
    if (Digits(year, 3, 4) < 0) {
        return "year '" + std::string(year.substr(0, 8)) + "' is not 3 or 4 digits";
    }
    const std::string why = StampFieldsProblem(year, month, day, hour, seconds, 32767);
    return why.empty() ? "a field too long to be read" : why;
}

StampFields FieldsFromStamp(Stamp stamp) {
    const std::int64_t dayNumber = FloorDiv(stamp, kSecondsPerDay);
    const std::int64_t inDay = stamp - dayNumber * kSecondsPerDay;
    const CalendarFields date = DateFromDayNumber(dayNumber);
    StampFields fields;
    fields.year = date.year;
    fields.month = date.month;
    fields.day = date.day;
    fields.hour = static_cast<int>(inDay / kSecondsPerHour);
    fields.secondsInHour = static_cast<int>(inDay % kSecondsPerHour);
    return fields;
}

std::string FormatDate(Stamp stamp) {
    const StampFields f = FieldsFromStamp(stamp);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buffer;
}

std::string FormatDateTime(Stamp stamp) {
    const StampFields f = FieldsFromStamp(stamp);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                  f.hour, f.secondsInHour / 60, f.secondsInHour % 60);
    return buffer;
}

}  // namespace corvane
