#include "period/calendar.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

CalendarError::Kind KindOf(const auto& call) {
    try {
        call();
    } catch (const CalendarError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no CalendarError thrown";
    return CalendarError::Kind::Overflow;
}

constexpr auto kMismatch = CalendarError::Kind::TypeMismatch;

TEST(Calendar, EverySecondOfSelectedDaysRoundTrips) {
    const CalendarFields days[] = {{1601, 1, 1},   {1899, 12, 29}, {1899, 12, 30},
                                   {1899, 12, 31}, {1900, 2, 28},  {1900, 3, 1},
                                   {2000, 2, 29},  {2008, 7, 15},  {9999, 12, 31}};
    for (CalendarFields day : days) {
        const double midnight = SerialFromFields(day);
        for (int second = 0; second < 86400; ++second) {
            CalendarFields fields = day;
            fields.hour = second / 3600;
            fields.minute = second / 60 % 60;
            fields.second = second % 60;
            const double exact = SerialFromFields(fields);
            ASSERT_EQ(FieldsFromSerial(exact), fields) << day.year << "-" << second;
            // A value built by adding fractions of a day, as a picker or a date sum does,
            // must give back the same second too (23:59:30 never comes back as 23:59:29).
            const double sign = midnight < 0 ? -1.0 : 1.0;
            const double summed = midnight + sign * (fields.hour / 24.0 + fields.minute / 1440.0 +
                                                     fields.second / 86400.0);
            ASSERT_EQ(FieldsFromSerial(summed), fields) << day.year << "-" << second;
            ASSERT_EQ(CombineDateAndTime(midnight, FormatTimeOfDay(exact)), exact);
        }
    }
}

TEST(Calendar, DayNumbersLeapDaysAndMonthFields) {
    EXPECT_EQ(DateFromFields("2008", "07", "15"), 39644.0);
    // Before day 0 the fraction still counts forward from the day's midnight.
    EXPECT_EQ(FieldsFromSerial(-1.25), (CalendarFields{1899, 12, 29, 6, 0, 0}));

    // Century years: 1900 has no 29 February, 2000 has one; the first year and June too.
    EXPECT_EQ(DateFromFields("1900", "03", "01"), 61.0);
    for (const CalendarFields day : {CalendarFields{2008, 2, 29}, CalendarFields{2000, 2, 29},
                                     CalendarFields{100, 1, 1}, CalendarFields{2008, 6, 30}}) {
        EXPECT_EQ(
            FieldsFromSerial(DateFromFields(std::to_string(day.year), std::to_string(day.month),
                                            std::to_string(day.day))),
            day);
    }
    // No 29 February outside leap years, no day 0, no month 13, no year before 100.
    for (std::string_view date :
         {"2009 02 29", "1900 02 29", "2008 04 31", "2008 07 00", "2008 13 01", "0099 12 31"}) {
        EXPECT_EQ(
            KindOf([&] { DateFromFields(date.substr(0, 4), date.substr(5, 2), date.substr(8)); }),
            kMismatch)
            << date;
    }
    EXPECT_EQ(KindOf([] { DateFromFields("08", "1", "01"); }), kMismatch);
    // Month fields round half to even.
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "1.5", "01")).month, 2);
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "2.5", "01")).month, 2);
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "12.0", "01")).month, 12);
    // 16-bit fields take both ends of their range and overflow beyond them.
    EXPECT_EQ(Int16FromText("32767"), 32767);
    EXPECT_EQ(Int16FromText("-32768"), -32768);
    for (const char* text : {"32768", "-32769"}) {
        EXPECT_EQ(KindOf([&] { Int16FromText(text); }), CalendarError::Kind::Overflow) << text;
    }
}

TEST(Calendar, HeaderStampsDropWholeHoursFromTheSeconds) {
    auto stamp = [](const char* hour, const char* seconds) {
        return FieldsFromSerial(SerialFromHeaderStamp("2008", "07", "15", hour, seconds));
    };
    EXPECT_EQ(stamp("23", "3570"), (CalendarFields{2008, 7, 15, 23, 59, 30}));
    EXPECT_EQ(stamp("23", "3600"), (CalendarFields{2008, 7, 15, 23, 0, 0}));
    EXPECT_EQ(stamp("01", "1830"), (CalendarFields{2008, 7, 15, 1, 30, 30}));
    EXPECT_EQ(KindOf([&] { stamp("24", "0"); }), kMismatch);
}

}  // namespace
}  // namespace corvane
