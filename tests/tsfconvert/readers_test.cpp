// The converter's readers on in-memory text: times, CSV fields and delimiters, units, the
// relative humidity from the dew point, and the choice of hourly records.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "period/calendar.h"
#include "tsf/units.h"
#include "tsfconvert/csv_reader.h"
#include "tsfconvert/series.h"
#include "tsfconvert/time_text.h"

namespace corvane::tsfconvert {
namespace {

Seconds At(int year, int month, int day, int hour, int minute = 0, int second = 0) {
    return DayNumberFromDate(year, month, day) * kDay + hour * kHour + minute * 60 + second;
}

TEST(TimeText, ReadsEveryIsoForm) {
    const Seconds one = At(2024, 7, 1, 13);
    for (const char* text : {"2024-07-01T13:00", "2024-07-01 13:00:00", "2024-07-01T13:00Z",
                             "2024-07-01t13:00:00.000z", " 2024-7-1  13:00 ", "2024-07-01T13"}) {
        const TimeRead read = ReadIsoDateTime(text);
        EXPECT_TRUE(read.ok()) << text << ": " << read.error;
        EXPECT_EQ(read.seconds, one) << text;
    }
    EXPECT_TRUE(ReadIsoDateTime("2024-07-01T13:00Z").utcMark);
    EXPECT_FALSE(ReadIsoDateTime("2024-07-01T13:00").utcMark);
    // 24:00 ends the day; a leap day exists in 2024 only.
    EXPECT_EQ(ReadIsoDateTime("2024-12-31T24:00").seconds, At(2025, 1, 1, 0));
    EXPECT_EQ(ReadIsoDateTime("2024-02-29 06:30").seconds, At(2024, 2, 29, 6, 30));
    EXPECT_EQ(ReadIsoDateTime("1850-01-01T00:00").seconds, At(1850, 1, 1, 0));
}

TEST(TimeText, RefusesTimesThatDoNotExistWithTheReason) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"2024-02-30T12:00", "February 2024 has no day 30"},
        {"2023-02-29T12:00", "February 2023 has no day 29"},
        {"2024-13-01T12:00", "month 13"},
        {"2024-07-01T25:00", "no real time of day"},
        {"2024-07-01T24:30", "no real time of day"},
        {"2024-07-01T13:60", "no real time of day"},
        {"0099-12-31T12:00", "year 99"},
        {"2024-07-01", "without a time of day"},
        {"2024-07-01T13:00+02:00", "UTC offset"},
        {"2024-07-01T13:00:00.5", "fraction of a second"},
        {"01/07/2024 13:00", "is not a date and time"},
        {"2024-07-01T13:00 UTC", "text follows"},
        {"", "is not a date and time"},
    };
    for (const auto& [text, reason] : cases) {
        const TimeRead read = ReadIsoDateTime(text);
        EXPECT_NE(read.error.find(reason), std::string::npos) << text << ": " << read.error;
    }
}

TEST(TimeText, ReadsPatternsAndSeparateDatesAndHours) {
    EXPECT_EQ(TimeFormat("%d.%m.%Y %H:%M", false).Read("01.07.2024  13:00").seconds,
              At(2024, 7, 1, 13));
    // Fields without separators take at most their width; day 183 of a leap year is 1 July.
    EXPECT_EQ(TimeFormat("%Y%j%H", false).Read("202418313").seconds, At(2024, 7, 1, 13));
    EXPECT_EQ(TimeFormat("%Y%m%d%H%M%S", false).Read("20240701130000").seconds, At(2024, 7, 1, 13));
    // Day 366 exists in leap years only: in 2000, not in 1900.
    EXPECT_EQ(TimeFormat("%Y %j %H", false).Read("2000 366 00").seconds, At(2000, 12, 31, 0));
    EXPECT_NE(TimeFormat("%Y %j %H", false).Read("1900 366 00").error.find("has 365 days"),
              std::string::npos);
    EXPECT_NE(TimeFormat("%Y-%m-%d %H", false).Read("2024-07-01T13").error.find("pattern"),
              std::string::npos);

    EXPECT_EQ(TimeFormat("%d/%m/%Y", true).Read("01/07/2024").seconds, At(2024, 7, 1, 0));
    EXPECT_EQ(ReadIsoDate("2024-07-01").seconds, At(2024, 7, 1, 0));
    EXPECT_EQ(ReadHourOfDay("13").seconds, 13 * kHour);
    EXPECT_EQ(ReadHourOfDay("7:30").seconds, 7 * kHour + 1800);
    EXPECT_EQ(ReadHourOfDay("24").seconds, kDay);
    EXPECT_FALSE(ReadHourOfDay("25").ok());
    EXPECT_FALSE(ReadHourOfDay("-1").ok());

    for (const auto& [pattern, dateOnly] : std::vector<std::pair<const char*, bool>>{
             {"%Y-%m-%d", false},        // no hour
             {"%Y-%m-%d %H", true},      // a time in the date column
             {"%y-%m-%d %H", false},     // a field that is not read
             {"%Y-%j-%d %H", false},     // day of the year and day of the month
             {"%Y-%m-%d %H %H", false},  // twice
             {"%Y-%m-%d %H%", false}}) {
        EXPECT_ANY_THROW(TimeFormat(pattern, dateOnly)) << pattern;
    }
}

std::vector<std::string> Split(std::string_view record, Delimiter delimiter) {
    std::vector<std::string_view> fields;
    std::string unquoted;
    EXPECT_TRUE(SplitRecord(record, delimiter, fields, unquoted)) << record;
    return {fields.begin(), fields.end()};
}

TEST(Csv, SplitsQuotedAndBlankFields) {
    using V = std::vector<std::string>;
    const Delimiter comma{',', false};
    EXPECT_EQ(Split(R"(a, "b,c" ,"say ""hi""",,"")", comma), (V{"a", "b,c", "say \"hi\"", "", ""}));
    EXPECT_EQ(Split("\"two\nlines\",x", comma), (V{"two\nlines", "x"}));
    EXPECT_EQ(Split(R"("a"b,5")", comma), (V{"ab", "5\""}));
    EXPECT_EQ(Split("a\t b \t", Delimiter{'\t', false}), (V{"a", "b", ""}));
    EXPECT_EQ(Split("  2024-01-01T00:00   3.5\t\"New York\"  ", Delimiter{' ', true}),
              (V{"2024-01-01T00:00", "3.5", "New York"}));
    std::vector<std::string_view> fields;
    std::string unquoted;
    EXPECT_FALSE(SplitRecord("a,\"open", comma, fields, unquoted));
}

TEST(Csv, DetectsTheDelimiterOfAwkwardHeaders) {
    struct Case {
        const char* header;
        std::vector<std::string> records;
        Delimiter expected;
    };
    const std::vector<Case> cases = {
        {"time,ws,wd", {"2024-01-01T00:00,1,2"}, {',', false}},
        {"time;\"speed, kt\";dir", {"2024-01-01 00:00;3;4"}, {';', false}},
        {"\"Wind speed; m/s\",\"Temp, C\",time", {"1,2,3"}, {',', false}},
        {"Time\tWind speed\tAir temp", {"1\t2\t3"}, {'\t', false}},
        {"time     ws    wd", {"2024-01-01T00:00   1.0   270"}, {' ', true}},
        // Decimal commas in the data: the semicolon splits every record alike.
        {"date;time,UTC;ws", {"2024-01-01;00:00;3,5", "2024-01-01;01:00;4"}, {';', false}},
        // No data yet: the most fields win.
        {"a;b;c,d", {}, {';', false}},
        {"time", {"2024-01-01T00:00"}, {',', false}},
    };
    for (const Case& c : cases) {
        const Delimiter found = DetectDelimiter(c.header, c.records);
        EXPECT_EQ(DelimiterName(found), DelimiterName(c.expected)) << c.header;
    }
}

// The factors themselves are checked through the engine, which shares them.
TEST(Units, ConvertWithExactFactors) {
    EXPECT_DOUBLE_EQ(Celsius(-40, TemperatureUnit::Fahrenheit), -40);
    EXPECT_EQ(RoundConverted(2.57225), 2.5723);
    EXPECT_EQ(WindUnitFromText("KNOTS"), WindUnit::Knots);
    EXPECT_EQ(TemperatureUnitFromText("degF"), TemperatureUnit::Fahrenheit);
    EXPECT_FALSE(WindUnitFromText("m/h"));
}

TEST(Units, RelativeHumidityFollowsPublishedValues) {
    // Saturation vapour pressure over water from the Goff-Gratch formula, as the
    // Smithsonian Meteorological Tables and WMO give it (hPa). Alduchov and Eskridge (1996)
    // state their fit within 0.4 % of these from -40 C to 50 C.
    const std::vector<std::pair<double, double>> table = {
        {-40, 0.1891}, {-20, 1.2537}, {0, 6.1066},   {10, 12.2703},
        {20, 23.3698}, {30, 42.4258}, {40, 73.7711}, {50, 123.3869}};
    for (const auto& [celsius, hPa] : table) {
        EXPECT_NEAR(SaturationVapourPressure(celsius) / hPa, 1.0, 0.004) << celsius;
    }
    // Worked values of the same formula: 20 C at a dew point of 9.26 C is 50 %, and 73.11 F at
    // a dew point of 70 F is 90 %.
    EXPECT_NEAR(RelativeHumidity(20, 9.26), 50.0, 0.01);
    EXPECT_NEAR(RelativeHumidity(Celsius(73.11, TemperatureUnit::Fahrenheit),
                                 Celsius(70, TemperatureUnit::Fahrenheit)),
                90.0, 0.01);
    EXPECT_DOUBLE_EQ(RelativeHumidity(-12.5, -12.5), 100.0);
}

Series Observed(const std::vector<Seconds>& times) {
    Series series;
    series.files = {"in.csv"};
    series.variables = {{"WSPEED", "m/s"}};
    for (std::size_t i = 0; i < times.size(); ++i) {
        series.observations.push_back({times[i], static_cast<std::int64_t>(i + 2), 0});
        series.values.push_back(static_cast<double>(i));
    }
    return series;
}

// (hour, observation index) pairs of a selection.
std::vector<std::pair<Seconds, std::size_t>> Picked(const HourlySelection& selection) {
    std::vector<std::pair<Seconds, std::size_t>> picked;
    for (const HourlyRecord& record : selection.records) {
        picked.emplace_back(record.end, record.observation);
    }
    return picked;
}

TEST(SelectHours, ExactSortsStablyAndKeepsTheFirstOfADuplicate) {
    const Seconds h = At(2024, 1, 1, 0);
    const HourlySelection selection = SelectHours(
        Observed({h + 2 * kHour, h, h + kHour, h, h + 2 * kHour}), HourlyRule::Exact, 30);
    EXPECT_EQ(Picked(selection), (std::vector<std::pair<Seconds, std::size_t>>{
                                     {h, 1}, {h + kHour, 2}, {h + 2 * kHour, 0}}));
    EXPECT_EQ(selection.duplicates, (std::vector<std::size_t>{3, 4}));
}

TEST(SelectHours, NearestKeepsTheClosestWithinTheWindowAndTiesToTheEarlier) {
    const Seconds h = At(2023, 12, 31, 22);
    const auto m = [&](int hours, int minutes, int seconds = 0) {
        return h + hours * kHour + minutes * 60 + seconds;
    };
    // Given out of order: the choice must not depend on the order of the input.
    const Series series = Observed({
        m(2, 10),      // 0: 10 min after midnight, tied with 1 for 00:00
        m(1, 50),      // 1: 10 min before midnight, the earlier: wins 00:00
        m(0, 30),      // 2: exactly 30 min from 22:00 and 23:00, on both window edges
        m(3, 30, 1),   // 3: one second beyond 01:00's window, 29:59 before 02:00
        m(4, 29, 59),  // 4: as near to 02:00 as 3, but later; 30:01 before 03:00
        m(5, 45),      // 5: 15 min before 04:00
        m(5, 55),      // 6: 5 min before 04:00, nearer than 5
    });
    const HourlySelection selection = SelectHours(series, HourlyRule::Nearest, 30);
    EXPECT_EQ(Picked(selection),
              (std::vector<std::pair<Seconds, std::size_t>>{
                  {m(0, 0), 2}, {m(1, 0), 2}, {m(2, 0), 1}, {m(4, 0), 3}, {m(6, 0), 6}}));
    EXPECT_TRUE(selection.duplicates.empty());

    // Times before the calendar's origin (30 December 1899) count below zero.
    EXPECT_EQ(Picked(SelectHours(Observed({At(1850, 1, 1, 0, 10)}), HourlyRule::Nearest, 30)),
              (std::vector<std::pair<Seconds, std::size_t>>{{At(1850, 1, 1, 0), 0}}));
    // A window of 0 keeps full hours only.
    EXPECT_EQ(Picked(SelectHours(Observed({m(0, 0), m(0, 1), m(1, 59)}), HourlyRule::Nearest, 0)),
              (std::vector<std::pair<Seconds, std::size_t>>{{m(0, 0), 0}}));
}

}  // namespace
}  // namespace corvane::tsfconvert
