#include "period/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

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
constexpr auto kOverflow = CalendarError::Kind::Overflow;

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

TEST(Calendar, KnownDayNumbersAndNegativeDays) {
    EXPECT_EQ(SerialFromFields({1899, 12, 30}), 0.0);
    EXPECT_EQ(SerialFromFields({1900, 1, 1}), 2.0);
    EXPECT_EQ(SerialFromFields({2008, 7, 15}), 39644.0);
    EXPECT_EQ(DateFromFields("2008", "07", "15"), 39644.0);
    // Before day 0 the fraction still counts forward from the day's midnight.
    EXPECT_EQ(FieldsFromSerial(-1.25), (CalendarFields{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(SerialFromFields({1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_EQ(FieldsFromSerial(-0.5), (CalendarFields{1899, 12, 30, 12, 0, 0}));
    EXPECT_EQ(DatePart(-1.25), -1.0);
    EXPECT_EQ(AddHours(-1.25, 18), 0.0);
    for (std::int64_t day = -700000; day <= 3000000; day += 997) {
        const CalendarFields date = DateFromDayNumber(day);
        ASSERT_EQ(DayNumberFromDate(date.year, date.month, date.day), day);
    }
    EXPECT_EQ(KindOf([] { FieldsFromSerial(NAN); }), kOverflow);
    EXPECT_EQ(KindOf([] { FieldsFromSerial(2958466.0); }), kOverflow);
}

TEST(Calendar, LeapDaysOnlyInLeapYears) {
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "02", "29")), (CalendarFields{2008, 2, 29}));
    EXPECT_NO_THROW(DateFromFields("2000", "2", "29"));
    EXPECT_EQ(KindOf([] { DateFromFields("2009", "02", "29"); }), kMismatch);
    EXPECT_EQ(KindOf([] { DateFromFields("1900", "02", "29"); }), kMismatch);
    EXPECT_EQ(KindOf([] { DateFromFields("2008", "02", "30"); }), kMismatch);
    EXPECT_EQ(KindOf([] { DateFromFields("2008", "04", "31"); }), kMismatch);
}

TEST(Calendar, MonthFieldsRoundHalfToEven) {
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "1.5", "01")).month, 2);
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "2.5", "01")).month, 2);
    EXPECT_EQ(FieldsFromSerial(DateFromFields("2008", "12.0", "01")).month, 12);
    EXPECT_EQ(MonthAbbreviation("12.0"), "Dec");
    EXPECT_EQ(MonthAbbreviation("2.5"), "");
    EXPECT_EQ(MonthAbbreviation("0"), "");
    EXPECT_EQ(KindOf([] { MonthAbbreviation("July"); }), kMismatch);
    // A month outside 1 to 12 has no abbreviation, so no date can be named.
    EXPECT_EQ(KindOf([] { DateFromFields("2008", "13", "01"); }), kMismatch);
    EXPECT_EQ(KindOf([] { DateFromFields("2008", "40000", "01"); }), kOverflow);
    EXPECT_EQ(KindOf([] { DateFromFields("08", "1", "01"); }), kMismatch);
    EXPECT_EQ(KindOf([] { DateFromFields("2008", "1", "x"); }), kMismatch);
}

TEST(Calendar, NumberTexts) {
    EXPECT_EQ(Int16FromText(" 12 "), 12);
    EXPECT_EQ(Int16FromText("+3"), 3);
    EXPECT_EQ(Int16FromText("0.5"), 0);
    EXPECT_EQ(Int16FromText("1.5"), 2);
    EXPECT_EQ(Int16FromText("-2.5"), -2);
    EXPECT_EQ(Int16FromText("32766.5"), 32766);
    EXPECT_EQ(Int16FromText("-32768"), -32768);
    EXPECT_EQ(KindOf([] { Int16FromText("32767.5"); }), kOverflow);
    EXPECT_EQ(KindOf([] { Int16FromText("1e300"); }), kOverflow);
    for (const char* bad : {"", " ", "inf", "nan", "-", "+-1", "1x", "0x10", "1 2"}) {
        EXPECT_EQ(KindOf([bad] { Int16FromText(bad); }), kMismatch) << bad;
    }
}

TEST(Calendar, SecondsCountsSplitWithTruncation) {
    for (int s = 0; s <= 32767; ++s) {
        const auto v = static_cast<std::int16_t>(s);
        const int m = WholeMinutes(v);
        const int r = RemainingSeconds(v);
        ASSERT_EQ(3600 * WholeHours(v) + 60 * m + r, s);
        ASSERT_TRUE(m >= 0 && m < 60 && r >= 0 && r < 60) << s;
    }
    EXPECT_EQ(WholeHours(-1), 0);
    EXPECT_EQ(WholeHours(-3600), -1);
    EXPECT_EQ(WholeMinutes(-61), -1);
    EXPECT_EQ(RemainingSeconds(-61), -1);
    EXPECT_EQ(WholeMinutes(3600), 0);
    EXPECT_EQ(RemainingSeconds(3600), 0);
}

TEST(Calendar, CollapseAndSplit) {
    EXPECT_EQ(CollapseSpaces("  2008  01  01 "), "2008 01 01");
    EXPECT_EQ(CollapseSpaces("\t\ta\t"), "\t\ta\t");
    EXPECT_EQ(CollapseSpaces("    "), "");
    EXPECT_EQ(SplitAtSpaces(""), std::vector<std::string>{});
    EXPECT_EQ(SplitAtSpaces("a b"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitAtSpaces("a\tb"), std::vector<std::string>{"a\tb"});
}

TEST(Calendar, HeaderStamps) {
    const CalendarFields day{2008, 7, 15};
    auto stamp = [](const char* hour, const char* seconds) {
        return FieldsFromSerial(SerialFromHeaderStamp("2008", "07", "15", hour, seconds));
    };
    EXPECT_EQ(stamp("23", "3570"), (CalendarFields{2008, 7, 15, 23, 59, 30}));
    EXPECT_EQ(HeaderStampTimeText("07", "3570"), "07:59:30");
    // Whole hours inside the seconds are dropped, not carried into the hour.
    EXPECT_EQ(stamp("23", "3600"), (CalendarFields{2008, 7, 15, 23, 0, 0}));
    EXPECT_EQ(stamp("01", "1830"), (CalendarFields{2008, 7, 15, 1, 30, 30}));
    EXPECT_EQ(stamp("00", "0000"), day);
    EXPECT_EQ(KindOf([&] { stamp("24", "0"); }), kMismatch);
    EXPECT_EQ(KindOf([&] { stamp("-1", "0"); }), kMismatch);
    EXPECT_EQ(KindOf([&] { stamp("1", "-61"); }), kMismatch);
    EXPECT_EQ(KindOf([&] { stamp("1", "32768"); }), kOverflow);
    EXPECT_EQ(KindOf([&] { stamp("1:00", "0"); }), kMismatch);
}

TEST(Calendar, CombineDateAndTimeKeepsTheDayOnly) {
    const double date = SerialFromFields({2008, 7, 15, 14, 30, 0});
    EXPECT_EQ(FieldsFromSerial(CombineDateAndTime(date, "06:15:20")),
              (CalendarFields{2008, 7, 15, 6, 15, 20}));
    EXPECT_EQ(FieldsFromSerial(CombineDateAndTime(date, "Jan 01 ,2001 06:15")),
              (CalendarFields{2008, 7, 15, 6, 15, 0}));
    EXPECT_EQ(FieldsFromSerial(CombineDateAndTime(date, "1999-03-04 23:59:59")),
              (CalendarFields{2008, 7, 15, 23, 59, 59}));
    for (const char* bad : {"", "6", "06:60:00", "6:1:2:3", "x 06:00:00", "06:00:00 PM"}) {
        EXPECT_EQ(KindOf([&] { CombineDateAndTime(date, bad); }), kMismatch) << bad;
    }
}

}  // namespace
}  // namespace corvane
