#include "tsfconvert/time_text.h"

#include <array>

#include "period/calendar.h"
#include "tsf/text_scan.h"
#include "tsfconvert/input_file.h"

namespace corvane::tsfconvert {
namespace {

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

using corvane::IsBlank;
using corvane::Trim;

// Reads `least` to `most` digits from the front of `text`.
bool TakeNumber(std::string_view& text, int least, int most, int& value) {
    int count = 0;
    value = 0;
    while (count < most && count < static_cast<int>(text.size()) && IsDigit(text[count])) {
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    text.remove_prefix(static_cast<std::size_t>(count));
    return count >= least;
}

bool Take(std::string_view& text, char c) {
    if (!text.empty() && text.front() == c) {
        text.remove_prefix(1);
        return true;
    }
    return false;
}

TimeRead Failed(std::string reason) {
    TimeRead read;
    read.error = std::move(reason);
    return read;
}

constexpr const char* kIsoForm = "a date and time such as 2024-07-01T13:00";

// The time of day after an ISO date: HH[:MM[:SS[.000]]] and an optional Z.
TimeRead ReadIsoTime(std::string_view text, int& hour, int& minute, int& second) {
    TimeRead read;
    if (!TakeNumber(text, 1, 2, hour)) {
        return Failed(std::string("is not ") + kIsoForm);
    }
    if (Take(text, ':')) {
        if (!TakeNumber(text, 2, 2, minute)) {
            return Failed(std::string("is not ") + kIsoForm);
        }
        if (Take(text, ':')) {
            if (!TakeNumber(text, 2, 2, second)) {
                return Failed(std::string("is not ") + kIsoForm);
            }
            if (Take(text, '.') || Take(text, ',')) {
                bool zeros = !text.empty() && IsDigit(text.front());
                while (!text.empty() && IsDigit(text.front())) {
                    zeros = zeros && text.front() == '0';
                    text.remove_prefix(1);
                }
                if (!zeros) {
                    return Failed("has a fraction of a second; only whole seconds are read");
                }
            }
        }
    }
    if (Take(text, 'Z') || Take(text, 'z')) {
        read.utcMark = true;
    } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        return Failed(
            "carries a UTC offset; write the times in the zone that --zone names, without an "
            "offset (Z is accepted)");
    }
    if (!text.empty()) {
        return Failed(std::string("is not ") + kIsoForm + " (text follows the time)");
    }
    return read;
}

bool TakeIsoDate(std::string_view& text, int& year, int& month, int& day) {
    return TakeNumber(text, 4, 4, year) && Take(text, '-') && TakeNumber(text, 1, 2, month) &&
           Take(text, '-') && TakeNumber(text, 1, 2, day);
}

}  // namespace

TimeRead SecondsFromFields(int year, int month, int day, int dayOfYear, int hour, int minute,
                           int second) {
    if (year < kFirstYear || year > kLastYear) {
        return Failed("has the year " + std::to_string(year) + ", outside 100 to 9999");
    }
    std::int64_t dayNumber = 0;
    if (dayOfYear > 0) {
        const int days = IsLeapYear(year) ? 366 : 365;
        if (dayOfYear > days) {
            return Failed("has day " + std::to_string(dayOfYear) + " of the year, but " +
                          std::to_string(year) + " has " + std::to_string(days) + " days");
        }
        dayNumber = DayNumberFromDate(year, 1, 1) + dayOfYear - 1;
    } else {
        if (month < 1 || month > 12) {
            return Failed("has the month " + std::to_string(month) + ", outside 1 to 12");
        }
        if (day < 1 || day > DaysInMonth(year, month)) {
            return Failed("is no real date: " + std::string(kMonths[month - 1]) + " " +
                          std::to_string(year) + " has no day " + std::to_string(day));
        }
        dayNumber = DayNumberFromDate(year, month, day);
    }
    if (hour > 24 || minute > 59 || second > 59 || (hour == 24 && (minute != 0 || second != 0))) {
        return Failed(
            "is no real time of day (hours 0 to 23, or 24:00 for the end of the day; "
            "minutes and seconds 0 to 59)");
    }
    TimeRead read;
    read.seconds = dayNumber * kDay + hour * kHour + minute * 60 + second;
    return read;
}

TimeRead ReadIsoDateTime(std::string_view text) {
    text = Trim(text);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!TakeIsoDate(text, year, month, day)) {
        return Failed(std::string("is not ") + kIsoForm);
    }
    if (text.empty()) {
        return Failed("is a date without a time of day");
    }
    if (!Take(text, 'T') && !Take(text, 't')) {
        if (!IsBlank(text.front())) {
            return Failed(std::string("is not ") + kIsoForm);
        }
        text = Trim(text);
    }
    const TimeRead time = ReadIsoTime(text, hour, minute, second);
    if (!time.ok()) {
        return time;
    }
    TimeRead read = SecondsFromFields(year, month, day, 0, hour, minute, second);
    read.utcMark = time.utcMark;
    return read;
}

TimeRead ReadIsoDate(std::string_view text) {
    text = Trim(text);
    int year = 0, month = 0, day = 0;
    if (!TakeIsoDate(text, year, month, day) || !text.empty()) {
        return Failed("is not a date such as 2024-07-01");
    }
    return SecondsFromFields(year, month, day, 0, 0, 0, 0);
}

TimeRead ReadHourOfDay(std::string_view text) {
    text = Trim(text);
    int hour = 0, minute = 0, second = 0;
    bool ok = TakeNumber(text, 1, 2, hour);
    if (ok && Take(text, ':')) {
        ok = TakeNumber(text, 2, 2, minute) && (!Take(text, ':') || TakeNumber(text, 2, 2, second));
    }
    if (!ok || !text.empty()) {
        return Failed("is not an hour such as 13 or 13:00");
    }
    // Any real date: only the time of day is wanted.
    TimeRead read = SecondsFromFields(2000, 1, 1, 0, hour, minute, second);
    read.seconds -= DayNumberFromDate(2000, 1, 1) * kDay;
    return read;
}

TimeFormat::TimeFormat(std::string_view pattern, bool dateOnly) {
    const std::string option = "--time-format " + Quoted(pattern);
    std::string seen;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%') {
            items_.push_back({0, IsBlank(c) ? ' ' : c});
            continue;
        }
        if (++i == pattern.size()) {
            throw ConvertError(option + ": the pattern ends in a lone %");
        }
        const char field = pattern[i];
        if (field == '%') {
            items_.push_back({0, '%'});
            continue;
        }
        if (std::string_view("YmdHMSj").find(field) == std::string_view::npos) {
            throw ConvertError(option + ": %" + std::string(1, field) +
                               " is not read; the fields are %Y %m %d %H %M %S %j and %%");
        }
        if (seen.find(field) != std::string::npos) {
            throw ConvertError(option + ": %" + std::string(1, field) + " occurs twice");
        }
        seen += field;
        items_.push_back({field, 0});
    }
    const auto has = [&](char field) { return seen.find(field) != std::string::npos; };
    const bool monthDay = has('m') && has('d');
    if (!has('Y') || (has('j') ? has('m') || has('d') : !monthDay)) {
        throw ConvertError(option + ": the pattern must name the year (%Y) and either the " +
                           "month and day (%m %d) or the day of the year (%j)");
    }
    if (dateOnly && (has('H') || has('M') || has('S'))) {
        throw ConvertError(option +
                           ": with --date and --hour the pattern reads the date "
                           "column and names no time of day");
    }
    if (!dateOnly && !has('H') && (has('M') || has('S'))) {
        throw ConvertError(option + ": minutes or seconds without the hour (%H)");
    }
    if (!dateOnly && !has('H')) {
        throw ConvertError(option +
                           ": the pattern must name the hour (%H), or give the hour "
                           "in a column of its own with --date and --hour");
    }
}

TimeRead TimeFormat::Read(std::string_view text) const {
    text = Trim(text);
    int year = 0, month = 0, day = 0, dayOfYear = 0, hour = 0, minute = 0, second = 0;
    for (const Item& item : items_) {
        if (item.field == 0) {
            if (item.literal == ' ') {
                text = Trim(text);
            } else if (!Take(text, item.literal)) {
                return Failed("does not match the --time-format pattern");
            }
            continue;
        }
        bool ok = false;
        switch (item.field) {
            case 'Y':
                ok = TakeNumber(text, 1, 4, year);
                break;
            case 'j':
                ok = TakeNumber(text, 1, 3, dayOfYear) && dayOfYear > 0;
                break;
            default: {
                int value = 0;
                ok = TakeNumber(text, 1, 2, value);
                (item.field == 'm'   ? month
                 : item.field == 'd' ? day
                 : item.field == 'H' ? hour
                 : item.field == 'M' ? minute
                                     : second) = value;
            }
        }
        if (!ok) {
            return Failed("does not match the --time-format pattern");
        }
    }
    if (!text.empty()) {
        return Failed("does not match the --time-format pattern (text follows)");
    }
    return SecondsFromFields(year, month, day, dayOfYear, hour, minute, second);
}

}  // namespace corvane::tsfconvert
