#include "tsfconvert/cf_time.h"

#include <cmath>

#include "period/calendar.h"
#include "tsf/text_scan.h"

namespace corvane::tsfconvert {
namespace {

// Reads up to `width` digits (at least one) as a number.
bool Digits(std::string_view& text, int width, int& value) {
    int n = 0;
    value = 0;
    while (n < width && !text.empty() && text.front() >= '0' && text.front() <= '9') {
        value = value * 10 + (text.front() - '0');
        text.remove_prefix(1);
        ++n;
    }
    return n > 0;
}

bool Take(std::string_view& text, char c) {
    if (!text.empty() && text.front() == c) {
        text.remove_prefix(1);
        return true;
    }
    return false;
}

// "2024-1-1", "2024-01-01 00:00:0.0", "2024-01-01T06:00:00Z", "1970-01-01 00:00:00 UTC".
std::optional<Seconds> ReadEpoch(std::string_view text) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!Digits(text, 4, year) || !Take(text, '-') || !Digits(text, 2, month) || !Take(text, '-') ||
        !Digits(text, 2, day)) {
        return std::nullopt;
    }
    if (Take(text, 'T') || Take(text, ' ')) {
        text = Trim(text);
        if (!text.empty() && text.front() >= '0' && text.front() <= '9') {
            if (!Digits(text, 2, hour) || !Take(text, ':') || !Digits(text, 2, minute)) {
                return std::nullopt;
            }
            if (Take(text, ':') && !Digits(text, 2, second)) {
                return std::nullopt;
            }
            if (Take(text, '.')) {
                while (Take(text, '0')) {
                }
            }
        }
    }
    text = Trim(text);
    if (text == "Z" || text == "UTC" || text == "+00:00" || text == "+0000" || text == "+00" ||
        text == "-00:00") {
        text = {};
    }
    if (!text.empty() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const TimeRead time = SecondsFromFields(year, month, day, 0, hour, minute, second);
    return time.ok() ? std::optional<Seconds>(time.seconds) : std::nullopt;
}

}  // namespace

std::optional<CfTimeUnits> ReadCfTimeUnits(std::string_view units, std::string_view calendar,
                                           std::string& error) {
    const std::string_view name = Trim(calendar);
    const bool mixed =
        name.empty() || EqualsNoCase(name, "standard") || EqualsNoCase(name, "gregorian");
    if (!mixed && !EqualsNoCase(name, "proleptic_gregorian")) {
        error = "the calendar \"" + std::string(name) +
                "\" is not one this program reads (standard, gregorian, proleptic_gregorian)";
        return std::nullopt;
    }
    const std::vector<std::string_view> words = SplitBlanks(units);
    const std::size_t since = units.find(" since ");
    if (words.size() < 3 || since == std::string_view::npos) {
        error = "the time units \"" + std::string(units) + "\" are not \"UNIT since DATE\"";
        return std::nullopt;
    }
    CfTimeUnits result;
    const std::string_view unit = Trim(units.substr(0, since));
    const auto is = [&](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (EqualsNoCase(unit, n)) {
                return true;
            }
        }
        return false;
    };
    if (is({"days", "day", "d"})) {
        result.stepSeconds = 86400;
    } else if (is({"hours", "hour", "hrs", "hr", "h"})) {
        result.stepSeconds = 3600;
    } else if (is({"minutes", "minute", "mins", "min"})) {
        result.stepSeconds = 60;
    } else if (is({"seconds", "second", "secs", "sec", "s"})) {
        result.stepSeconds = 1;
    } else {
        error = "the time unit \"" + std::string(unit) +
                "\" is not one this program reads (days, hours, minutes, seconds)";
        return std::nullopt;
    }
    const std::optional<Seconds> epoch = ReadEpoch(Trim(units.substr(since + 7)));
    if (!epoch) {
        error = "the time units \"" + std::string(units) + "\" name no date it can read";
        return std::nullopt;
    }
    if (mixed && *epoch < DayNumberFromDate(1582, 10, 15) * kDay) {
        error = "the epoch of \"" + std::string(units) +
                "\" lies before 15 October 1582, where the standard calendar is Julian";
        return std::nullopt;
    }
    result.epoch = *epoch;
    return result;
}

std::optional<Seconds> CfTime(const CfTimeUnits& units, double value) {
    const double seconds = std::round(value * units.stepSeconds);
    const double first = static_cast<double>(DayNumberFromDate(kFirstYear, 1, 1) * kDay);
    const double last = static_cast<double>(DayNumberFromDate(kLastYear, 12, 31) * kDay);
    const double time = static_cast<double>(units.epoch) + seconds;
    if (!std::isfinite(seconds) || time < first || time > last) {
        return std::nullopt;
    }
    return static_cast<Seconds>(time);
}

std::optional<Seconds> ReadWrfTime(std::string_view text) {
    if (text.size() != 19 || (text[10] != '_' && text[10] != 'T' && text[10] != ' ')) {
        return std::nullopt;
    }
    std::string copy(text);
    copy[10] = ' ';
    return ReadEpoch(copy);
}

}  // namespace corvane::tsfconvert
