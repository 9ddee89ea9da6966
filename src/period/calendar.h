#pragma once

// The calendar shared by the wizard and the engine: the serial date-time, its calendar
// fields, and the conversions between TSF header fields and serial date-times.
//
// A serial date-time is a double. Its whole part counts days from 30 December 1899
// (day 0; 15 July 2008 is day 39644), its fraction is the time of day as a part of 24
// hours. The Gregorian calendar holds for all dates. For a day before day 0 the whole part
// is negative and the fraction still counts forward from that day's midnight, so -1.25 is
// 29 December 1899 06:00:00. Every value the program forms is a whole number of seconds,
// and splitting a value into fields always gives back the second that was put in.
//
// Standard C++ only: the engine links this without Qt.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

/// A failed conversion. Kind and number follow the two conversion errors the screens
/// report: a type mismatch (13: a text that is not a number, date or time) and an
/// overflow (6: a number outside the signed 16-bit range, or a date outside the calendar).
class CalendarError : public std::runtime_error {
public:
    enum class Kind { TypeMismatch, Overflow };

    CalendarError(Kind kind, const std::string& detail);

    Kind kind() const { return kind_; }
    /// 13 for a type mismatch, 6 for an overflow.
    int number() const { return kind_ == Kind::TypeMismatch ? 13 : 6; }

private:
    Kind kind_;
};

/// Calendar fields of a serial date-time, all 1-based except the time of day.
struct CalendarFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const CalendarFields&, const CalendarFields&) = default;
};

/// Earliest and latest year a date text or field may name.
inline constexpr int kFirstYear = 100;
inline constexpr int kLastYear = 9999;

// ---- Integer calendar -----------------------------------------------------------------

/// True for Gregorian leap years.
bool IsLeapYear(int year);
/// Days of `month` (1 to 12) in `year`; 0 for a month outside 1 to 12.
int DaysInMonth(int year, int month);
/// Day number (0 = 30 December 1899) of a Gregorian date; the fields are not checked.
std::int64_t DayNumberFromDate(int year, int month, int day);
/// Gregorian date of a day number; only year, month and day of the result are set.
CalendarFields DateFromDayNumber(std::int64_t dayNumber);

// ---- Serial date-time -----------------------------------------------------------------

/// Seconds since 30 December 1899 00:00:00 (negative before it) of a serial date-time,
/// rounded to the nearest second. Throws an overflow for a value that is not finite or lies
/// beyond year 9999 or before year 100.
std::int64_t SecondsFromSerial(double serial);
/// The serial date-time of a seconds count since 30 December 1899 00:00:00.
double SerialFromSeconds(std::int64_t seconds);

/// Calendar fields of a serial date-time, to the second (see SecondsFromSerial).
CalendarFields FieldsFromSerial(double serial);
/// The serial date-time of calendar fields. Checks nothing beyond the field arithmetic: a
/// minute of 75 simply counts 75 minutes. Use DateFromFields for texts to be checked.
double SerialFromFields(const CalendarFields& fields);

/// 00:00:00 of the value's day.
double DatePart(double serial);
double AddHours(double serial, std::int64_t hours);
double AddMinutes(double serial, std::int64_t minutes);
double AddSeconds(double serial, std::int64_t seconds);

/// Today's date at 00:00:00, in the local time of the machine.
double CurrentDate();

// ---- Seconds counts (signed 16-bit, truncating division) ------------------------------

/// Whole hours in `seconds`; truncates toward zero (-1 gives 0, -3600 gives -1).
std::int16_t WholeHours(std::int16_t seconds);
/// Whole minutes within the hour: 3723 gives 2.
std::int16_t WholeMinutes(std::int16_t seconds);
/// Seconds within the minute: 3723 gives 3.
std::int16_t RemainingSeconds(std::int16_t seconds);

// ---- Texts ----------------------------------------------------------------------------

/// Trims the spaces at both ends and reduces every inner run of spaces to one space. Only
/// the space character counts: tabs stay as they are.
std::string CollapseSpaces(std::string_view text);

/// Splits at single spaces into fields; an empty text gives no field. Two spaces in a row
/// give an empty field, as they do in the header reader after CollapseSpaces.
std::vector<std::string> SplitAtSpaces(std::string_view text);

/// Reads a decimal number (spaces around it allowed, optional sign, optional fraction and
/// exponent). Throws a type mismatch for anything else, "inf" and "nan" included.
double NumberFromText(std::string_view text);

/// Reads a number and rounds it to the nearest integer, halves to the even one (2.5 gives 2,
/// 3.5 gives 4). Throws a type mismatch for a non-number and an overflow outside
/// -32768 to 32767.
std::int16_t Int16FromText(std::string_view text);

/// "Jan" to "Dec" for a text whose number equals 1 to 12 exactly; the empty text for any
/// other number (0, 13, 2.5). Throws a type mismatch for a text that is not a number.
std::string MonthAbbreviation(std::string_view monthText);

/// 00:00:00 of the day named by year, month and day texts, as a header stamp gives them.
/// The month is rounded to an integer (halves to even); month 1.5 and 2.5 are both
/// February. Throws a type mismatch for a text that is not a number or not a real day (the
/// 30th of February) and an overflow for a month outside the 16-bit range.
double DateFromFields(std::string_view year, std::string_view month, std::string_view day);

/// Parses a date text whose month is given by its English three-letter abbreviation, in the
/// form "Jan 05 ,2009" (also "Jan 5, 2009" and "jan 5 2009"). Years 100 to 9999 written
/// with three or four digits; days with one or two digits. Throws a type mismatch.
double ParseDateText(std::string_view text);

/// A time of day to the second.
struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

/// Parses "H:M:S" or "H:M" (one or two digits each, spaces around allowed), optionally
/// after a date in the form of ParseDateText or "YYYY-MM-DD" and a space. Hours 0 to 23,
/// minutes and seconds 0 to 59; a negative part is rejected. Throws a type mismatch.
TimeOfDay ParseTimeText(std::string_view text);

/// "HH:MM:SS" of the time of day of a serial date-time.
std::string FormatTimeOfDay(double serial);

/// The day of `date` (its own time dropped) at the time of day that `timeText` names;
/// any date inside `timeText` is ignored. Throws a type mismatch when the text is no time.
double CombineDateAndTime(double date, std::string_view timeText);

/// The serial date-time of a header stamp: year, month, day, hour and the seconds elapsed
/// within the hour, as texts. Only the seconds modulo 3600 count: whole hours inside them are
/// dropped (hour 01 with 3600 seconds is 01:00:00). Throws a type mismatch for a stamp that
/// is not a real day or time of day (an hour outside 0 to 23, negative seconds) and an
/// overflow for seconds outside the 16-bit range.
double SerialFromHeaderStamp(std::string_view year, std::string_view month, std::string_view day,
                             std::string_view hour, std::string_view seconds);

/// The time text a header stamp passes to CombineDateAndTime: the hour text as written,
/// ":", the minutes and ":", the seconds within the minute, without leading zeros (hour 07
/// with 3570 seconds gives "07:59:30"). Throws as Int16FromText for the seconds.
std::string HeaderStampTimeText(std::string_view hour, std::string_view seconds);

}  // namespace corvane
