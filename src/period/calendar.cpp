#include "period/calendar.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace corvane {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 30 December 1899 counted from 1 January 1970.
constexpr std::int64_t kEpochOffsetDays = 25569;

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Quoted(std::string_view text) {
    std::string out = "'";
    out.append(text);
    out += '\'';
    return out;
}

[[noreturn]] void Mismatch(const std::string& detail) {
    throw CalendarError(CalendarError::Kind::TypeMismatch, detail);
}

[[noreturn]] void Overflow(const std::string& detail) {
    throw CalendarError(CalendarError::Kind::Overflow, detail);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A run of 1 to maxDigits decimal digits at `pos`; advances pos. -1 when there is none or
// when the run is longer.
int ReadDigits(std::string_view text, std::size_t& pos, int minDigits, int maxDigits) {
    std::size_t end = pos;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    const auto count = static_cast<int>(end - pos);
    if (count < minDigits || count > maxDigits) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = pos; i < end; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    pos = end;
    return value;
}

std::size_t SkipSpaces(std::string_view text, std::size_t pos) {
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    return pos;
}

// "YYYY-MM-DD": the date form a time text may carry in front of its time.
bool IsIsoDate(std::string_view text) {
    std::size_t pos = 0;
    const int year = ReadDigits(text, pos, 4, 4);
    if (year < 0 || pos >= text.size() || text[pos] != '-') {
        return false;
    }
    ++pos;
    const int month = ReadDigits(text, pos, 1, 2);
    if (month < 0 || pos >= text.size() || text[pos] != '-') {
        return false;
    }
    ++pos;
    const int day = ReadDigits(text, pos, 1, 2);
    return day >= 1 && pos == text.size() && year >= kFirstYear && day <= DaysInMonth(year, month);
}

TimeOfDay ParseClock(std::string_view whole, std::string_view text) {
    std::size_t pos = 0;
    std::array<int, 3> parts = {0, 0, 0};
    int count = 0;
    while (true) {
        const int value = ReadDigits(text, pos, 1, 2);
        if (value < 0) {
            Mismatch(Quoted(whole) + " is not a time of day");
        }
        parts[static_cast<std::size_t>(count++)] = value;
        if (pos == text.size()) {
            break;
        }
        if (text[pos] != ':' || count == 3) {
            Mismatch(Quoted(whole) + " is not a time of day");
        }
        ++pos;
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) {
        Mismatch(Quoted(whole) + " is not a time of day");
    }
    return {parts[0], parts[1], parts[2]};
}

}  // namespace

CalendarError::CalendarError(Kind kind, const std::string& detail)
    : std::runtime_error((kind == Kind::TypeMismatch ? "Type mismatch: " : "Overflow: ") + detail),
      kind_(kind) {}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The civil-date algorithms count in 400-year eras starting on 1 March.
std::int64_t DayNumberFromDate(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + kEpochOffsetDays;
}

CalendarFields DateFromDayNumber(std::int64_t dayNumber) {
    const std::int64_t z = dayNumber - kEpochOffsetDays + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CalendarFields fields;
    fields.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    fields.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    fields.year = static_cast<int>(yoe + era * 400 + (fields.month <= 2 ? 1 : 0));
    fields.hour = fields.minute = fields.second = 0;
    return fields;
}

std::int64_t SecondsFromSerial(double serial) {
    static const double kLowest = static_cast<double>(DayNumberFromDate(kFirstYear, 1, 1)) - 1;
    static const double kHighest = static_cast<double>(DayNumberFromDate(kLastYear, 12, 31)) + 1;
    if (!std::isfinite(serial) || serial <= kLowest || serial >= kHighest) {
        Overflow("the date-time " + std::to_string(serial) + " is outside the calendar");
    }
    // The fraction counts forward from the midnight of the day, also before day 0; rounding
    // to the second absorbs what adding fractions of a day lost.
    const double whole = std::trunc(serial);
    const double fraction = std::fabs(serial - whole);
    return static_cast<std::int64_t>(whole) * kSecondsPerDay +
           static_cast<std::int64_t>(std::llround(fraction * kSecondsPerDay));
}

double SerialFromSeconds(std::int64_t seconds) {
    const std::int64_t day = FloorDiv(seconds, kSecondsPerDay);
    const double fraction =
        static_cast<double>(seconds - day * kSecondsPerDay) / static_cast<double>(kSecondsPerDay);
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

CalendarFields FieldsFromSerial(double serial) {
    const std::int64_t seconds = SecondsFromSerial(serial);
    const std::int64_t day = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t inDay = seconds - day * kSecondsPerDay;
    CalendarFields fields = DateFromDayNumber(day);
    fields.hour = static_cast<int>(inDay / 3600);
    fields.minute = static_cast<int>(inDay % 3600 / 60);
    fields.second = static_cast<int>(inDay % 60);
    return fields;
}

double SerialFromFields(const CalendarFields& fields) {
    const std::int64_t day = DayNumberFromDate(fields.year, fields.month, fields.day);
    return SerialFromSeconds(day * kSecondsPerDay + std::int64_t{fields.hour} * 3600 +
                             std::int64_t{fields.minute} * 60 + fields.second);
}

double DatePart(double serial) {
    return SerialFromSeconds(FloorDiv(SecondsFromSerial(serial), kSecondsPerDay) * kSecondsPerDay);
}

double AddHours(double serial, std::int64_t hours) {
    return AddSeconds(serial, hours * 3600);
}

double AddMinutes(double serial, std::int64_t minutes) {
    return AddSeconds(serial, minutes * 60);
}

double AddSeconds(double serial, std::int64_t seconds) {
    return SerialFromSeconds(SecondsFromSerial(serial) + seconds);
}

double CurrentDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return SerialFromFields({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0});
}

std::int16_t WholeHours(std::int16_t seconds) {
    const int s = seconds;
    return static_cast<std::int16_t>((s - s % 3600) / 3600);
}

std::int16_t WholeMinutes(std::int16_t seconds) {
    const int t = seconds - 3600 * WholeHours(seconds);
    return static_cast<std::int16_t>((t - t % 60) / 60);
}

std::int16_t RemainingSeconds(std::int16_t seconds) {
    const int t = seconds - 3600 * WholeHours(seconds);
    return static_cast<std::int16_t>(t - 60 * WholeMinutes(seconds));
}

std::string CollapseSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
            continue;
        }
        out += text[i];
    }
    return out;
}

std::vector<std::string> SplitAtSpaces(std::string_view text) {
    std::vector<std::string> fields;
    if (text.empty()) {
        return fields;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, space - start));
        start = space + 1;
    }
}

double NumberFromText(std::string_view text) {
    std::string_view number = TrimBlanks(text);
    std::size_t first = 0;
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    } else if (!number.empty() && number.front() == '-') {
        first = 1;
    }
    // from_chars also reads "inf" and "nan"; a number starts with a digit or a point.
    if (number.size() <= first || !(IsDigit(number[first]) || number[first] == '.')) {
        Mismatch(Quoted(text) + " is not a number");
    }
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        Overflow(Quoted(text) + " is too large");
    }
    if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
        Mismatch(Quoted(text) + " is not a number");
    }
    return value;
}

std::int16_t Int16FromText(std::string_view text) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(NumberFromText(text));
    if (rounded < -32768.0 || rounded > 32767.0) {
        Overflow(Quoted(text) + " is outside -32768 to 32767");
    }
    return static_cast<std::int16_t>(rounded);
}

std::string MonthAbbreviation(std::string_view monthText) {
    const double month = NumberFromText(monthText);
    for (int m = 1; m <= 12; ++m) {
        if (month == m) {
            return kMonthNames[static_cast<std::size_t>(m - 1)];
        }
    }
    return {};
}

double DateFromFields(std::string_view year, std::string_view month, std::string_view day) {
    const std::int16_t monthNumber = Int16FromText(month);
    std::string text = MonthAbbreviation(std::to_string(monthNumber));
    text += ' ';
    text.append(day);
    text += " ,";
    text.append(year);
    return ParseDateText(text);
}

double ParseDateText(std::string_view text) {
    const auto fail = [&]() { Mismatch(Quoted(text) + " is not a date"); };
    if (text.size() < 3) {
        fail();
    }
    int month = 0;
    for (std::size_t m = 0; m < kMonthNames.size(); ++m) {
        const char* name = kMonthNames[m];
        if (Lower(text[0]) == Lower(name[0]) && Lower(text[1]) == Lower(name[1]) &&
            Lower(text[2]) == Lower(name[2])) {
            month = static_cast<int>(m) + 1;
        }
    }
    if (month == 0) {
        fail();
    }
    std::size_t pos = SkipSpaces(text, 3);
    if (pos == 3) {
        fail();
    }
    const int day = ReadDigits(text, pos, 1, 2);
    if (day < 0) {
        fail();
    }
    const std::size_t afterDay = pos;
    pos = SkipSpaces(text, pos);
    if (pos < text.size() && text[pos] == ',') {
        pos = SkipSpaces(text, pos + 1);
    }
    if (pos == afterDay) {
        fail();
    }
    const int year = ReadDigits(text, pos, 3, 4);
    if (year < kFirstYear || SkipSpaces(text, pos) != text.size()) {
        fail();
    }
    if (day < 1 || day > DaysInMonth(year, month)) {
        fail();
    }
    return SerialFromFields({year, month, day, 0, 0, 0});
}

TimeOfDay ParseTimeText(std::string_view text) {
    std::string_view trimmed = TrimBlanks(text);
    const std::size_t space = trimmed.find_last_of(' ');
    if (space != std::string_view::npos) {
        const std::string_view datePart = TrimBlanks(trimmed.substr(0, space));
        if (!IsIsoDate(datePart)) {
            try {
                ParseDateText(datePart);
            } catch (const CalendarError&) {
                Mismatch(Quoted(text) + " is not a time of day");
            }
        }
        trimmed = trimmed.substr(space + 1);
    }
    return ParseClock(text, trimmed);
}

std::string FormatTimeOfDay(double serial) {
    const CalendarFields fields = FieldsFromSerial(serial);
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d:%02d:%02d", fields.hour, fields.minute,
                  fields.second);
    return buffer.data();
}

double CombineDateAndTime(double date, std::string_view timeText) {
    const TimeOfDay time = ParseTimeText(timeText);
    double result = DatePart(date);
    result = AddHours(result, time.hour);
    result = AddMinutes(result, time.minute);
    return AddSeconds(result, time.second);
}

std::string HeaderStampTimeText(std::string_view hour, std::string_view seconds) {
    const std::int16_t s = Int16FromText(seconds);
    std::string text(hour);
    text += ':';
    text += std::to_string(WholeMinutes(s));
    text += ':';
    text += std::to_string(RemainingSeconds(s));
    return text;
}

double SerialFromHeaderStamp(std::string_view year, std::string_view month, std::string_view day,
                             std::string_view hour, std::string_view seconds) {
    const double date = DateFromFields(year, month, day);
    return CombineDateAndTime(date, HeaderStampTimeText(hour, seconds));
}

}  // namespace corvane
