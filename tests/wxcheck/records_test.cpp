#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "period/calendar.h"
#include "wxcheck/record_stamp.h"
#include "wxcheck/station_evaluation.h"
#include "wxcheck/tsf_records.h"

namespace corvane::wxcheck {
namespace {

struct Parsed {
    std::vector<Record> records;
    RecordCounts counts;
};

// Variables WSPEED, WDIR, TEMP (in `unit`), MIXR.
Parsed Parse(const std::string& text, TemperatureUnit unit = TemperatureUnit::Kelvin) {
    RecordPlan plan;
    plan.variableCount = 4;
    plan.column = {0, 1, 2, 3};
    plan.temperatureUnit = unit;
    Parsed parsed;
    std::int64_t line = 14;
    ParseRecordLines(text, line, plan, parsed.records, parsed.counts);
    return parsed;
}

const std::string kStamps = "2008 01 01 00 0000 2008 01 01 01 0000";

TEST(WxcheckRecords, ValuesMissingAndOutOfRange) {
    const Parsed p = Parse(kStamps + " 3.5 350 293.15 7.2\r\n" +              // line 14, CRLF
                           kStamps + "\t+1.5\t-999\t-900 -899.5\n" +          // 15: tabs, plus sign
                           kStamps + " nan inf 280 -1e3\n" +                  // 16
                           kStamps + " -0.1 360.5 280 1 extra fields\n" +     // 17: out of range
                           "\n" +                                             // 18: blank
                           kStamps + " 0 0 0\n" +                             // 19: too few fields
                           kStamps + " 1 2 3 x4\n" +                          // 20: not a number
                           "2008 02 30 00 0000 2008 01 01 01 0000 1 2 3 4");  // 21: bad date
    ASSERT_EQ(p.records.size(), 4u);
    EXPECT_DOUBLE_EQ(p.records[0].value[kSpeed], 3.5);
    EXPECT_DOUBLE_EQ(p.records[0].value[kDirection], 350);
    EXPECT_NEAR(p.records[0].value[kTemperature], 20.0, 1e-12);  // kept relative to 273.15 K
    EXPECT_EQ(p.records[0].line, 14u);
    EXPECT_DOUBLE_EQ(p.records[1].value[kSpeed], 1.5);
    EXPECT_TRUE(std::isnan(p.records[1].value[kDirection]));    // -999
    EXPECT_TRUE(std::isnan(p.records[1].value[kTemperature]));  // -900 is missing too
    EXPECT_DOUBLE_EQ(p.records[1].value[kHumidity], -899.5);
    EXPECT_TRUE(std::isnan(p.records[2].value[kSpeed]));
    EXPECT_TRUE(std::isnan(p.records[2].value[kDirection]));
    EXPECT_TRUE(std::isnan(p.records[2].value[kHumidity]));
    EXPECT_TRUE(std::isnan(p.records[3].value[kSpeed]));
    EXPECT_TRUE(std::isnan(p.records[3].value[kDirection]));
    EXPECT_EQ(p.counts.outOfRange, 2);
    EXPECT_EQ(p.counts.firstOutOfRangeLine, 17);
    EXPECT_EQ(p.counts.records, 4);
    EXPECT_EQ(p.counts.skipped, 3);
    EXPECT_EQ(p.counts.firstSkippedLine, 19);
    EXPECT_EQ(p.counts.firstSkippedReason, "too few fields");
}

TEST(WxcheckRecords, TemperatureUnitsBecomeKelvin) {
    const std::string line = kStamps + " 1 2 50 4\n";
    EXPECT_NEAR(
        Parse(line, TemperatureUnit::Celsius).records[0].value[kTemperature] + kKelvinOffset,
        323.15, 1e-12);
    EXPECT_NEAR(
        Parse(line, TemperatureUnit::Fahrenheit).records[0].value[kTemperature] + kKelvinOffset,
        283.15, 1e-12);
    // Missing is tested before any conversion: -999 F is not a temperature.
    EXPECT_TRUE(std::isnan(Parse(kStamps + " 1 2 -999 4\n", TemperatureUnit::Fahrenheit)
                               .records[0]
                               .value[kTemperature]));
}

TEST(WxcheckRecords, VariablesByNameAndUnits) {
    const FileVariables v = MapVariables({{"wspeed", ""},
                                          {"WDIR", "DEG"},
                                          {"WDIR", "rad"},  // a second WDIR does not count
                                          {"TEMP", "degc"},
                                          {"PRES", "hPa"},
                                          {"RHUM", "%"},
                                          {"MIXR", "kg/kg"}});
    EXPECT_EQ(v.column[kSpeed], 0);
    EXPECT_EQ(v.column[kDirection], 1);
    EXPECT_EQ(v.column[kTemperature], 3);
    EXPECT_EQ(v.temperatureUnit, TemperatureUnit::Celsius);
    EXPECT_EQ(v.humidityColumn[static_cast<int>(HumidityKind::Relative)], 5);
    EXPECT_EQ(v.humidityColumn[static_cast<int>(HumidityKind::MixingRatio)], -1);
    ASSERT_EQ(v.warnings.size(), 1u);
    EXPECT_NE(v.warnings[0].find("MIXR"), std::string::npos);
    EXPECT_NE(v.warnings[0].find("kg/kg"), std::string::npos);
    EXPECT_EQ(MapVariables({{"TEMP", "Rankine"}}).column[kTemperature], -1);
}

TEST(WxcheckRecords, DuplicatesKeepTheFirstRecord) {
    Parsed p = Parse(kStamps + " 1 0 0 0\n" + "2008 01 01 01 0000 2008 01 01 02 0000 2 0 0 0\n" +
                     kStamps + " 3 0 0 0\n");
    FileReport report;
    std::vector<Record> records = p.records;
    std::swap(records[0], records[1]);  // any order
    SortAndDropDuplicates(records, report);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_DOUBLE_EQ(records[0].value[kSpeed], 1);
    EXPECT_EQ(report.duplicates, 1);
    EXPECT_EQ(report.firstDuplicateLine, 16);
}

// The integer calendar of the records must give the same second as the header's own
// conversion of the same fields.
TEST(WxcheckRecordStamps, AgreeWithTheHeaderConversion) {
    std::mt19937 random(2008);
    std::uniform_int_distribution<int> year(100, 9999), month(1, 12), day(1, 31), hour(0, 23),
        seconds(0, 32767);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string y = std::to_string(year(random)), m = std::to_string(month(random)),
                          d = std::to_string(day(random)), h = std::to_string(hour(random)),
                          s = std::to_string(seconds(random));
        Stamp stamp = 0;
        const bool ours = StampFromFields(y, m, d, h, s, stamp);
        bool theirs = true;
        double serial = 0;
        try {
            serial = SerialFromHeaderStamp(y, m, d, h, s);
        } catch (const CalendarError&) {
            theirs = false;
        }
        ASSERT_EQ(ours, theirs) << y << " " << m << " " << d << " " << h << " " << s;
        if (ours) {
            ASSERT_EQ(stamp, SecondsFromSerial(serial))
                << y << " " << m << " " << d << " " << h << " " << s;
            ++checked;
        }
    }
    EXPECT_GT(checked, 15000);
}

TEST(WxcheckRecordStamps, FieldsAndPeriodTexts) {
    Stamp a = 0, b = 0;
    ASSERT_TRUE(StampFromFields("2008", "07", "15", "23", "3570", a));
    ASSERT_TRUE(StampFromPeriodText("20080715233570", b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(FormatDateTime(a), "2008-07-15 23:59:30");
    // 3600 seconds is the full hour of the same hour, not the next one.
    ASSERT_TRUE(StampFromFields("2008", "1", "1", "1", "3600", a));
    EXPECT_EQ(FormatDateTime(a), "2008-01-01 01:00:00");
    EXPECT_FALSE(StampFromFields("2007", "02", "29", "00", "0000", a));
    EXPECT_TRUE(StampFromFields("2008", "02", "29", "00", "0000", a));
    EXPECT_FALSE(StampFromFields("2008", "01", "01", "24", "0000", a));
    EXPECT_FALSE(StampFromFields("2008", "01", "01", "00", "-1", a));
    EXPECT_FALSE(StampFromPeriodText("20080101003600", a));
    EXPECT_FALSE(StampFromPeriodText("2008010100000", a));
    EXPECT_FALSE(StampFromPeriodText("2008-01-01 00:00", a));
    // Before the origin of the serial date-time, days still start at midnight.
    ASSERT_TRUE(StampFromPeriodText("18000101050000", a));
    EXPECT_EQ(FieldsFromStamp(a).hour, 5);
    EXPECT_EQ(FormatDate(a), "1800-01-01");
}

}  // namespace
}  // namespace corvane::wxcheck

namespace corvane::wxcheck {
namespace {

// Random pieces of records, numbers and separators: never a crash, every line accounted for.
TEST(WxcheckRecords, GarbageIsCountedNeverFatal) {
    const std::vector<std::string> pieces = {
        "2008",  "01",     "1",    "00",  "0000",       "3600", "99999", "-5", "+", "+-1",
        "1e400", "-1e400", "nan",  "inf", "0x10",       "2.5",  "-999",  "\t", " ", "  ",
        "\r",    "'",      "\xff", "",    "2008 01 01", "24",   "29",    "02"};
    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), length(0, 20);
    std::string text;
    int lines = 0;
    for (; lines < 5000; ++lines) {
        const std::size_t n = length(random);
        for (std::size_t i = 0; i < n; ++i) {
            text += pieces[pick(random)];
            text += ' ';
        }
        text += '\n';
    }
    text += kStamps + " 1 2 3";  // a last line without its end, one value short
    const Parsed p = Parse(text);
    EXPECT_EQ(p.counts.records, static_cast<std::int64_t>(p.records.size()));
    EXPECT_GT(p.counts.skipped, 0);
    EXPECT_LE(p.counts.records + p.counts.skipped, lines + 1);
    for (const Record& r : p.records) {
        EXPECT_TRUE(std::isnan(r.value[kDirection]) ||
                    (r.value[kDirection] >= 0 && r.value[kDirection] <= 360));
    }
}

}  // namespace
}  // namespace corvane::wxcheck

namespace corvane::wxcheck {
namespace {

TEST(WxcheckRecords, FileReadInChunksSkipsAnOverlongLine) {
    testing::ScratchFolder folder;
    std::string text = "header\n";     // offset 7, first record line 2
    for (int i = 0; i < 30000; ++i) {  // several chunks
        text += kStamps + " 1 2 3 4\n";
    }
    text += std::string(17u << 20, '7') + "\n";
    text += kStamps + " 5 6 7 8";  // last line without its end
    testing::WriteText(folder / "big.tsf", text);
    RecordPlan plan;
    plan.variableCount = 4;
    plan.column = {0, 1, 2, 3};
    std::vector<Record> records;
    RecordCounts counts;
    std::vector<char> buffer;
    std::string error;
    ASSERT_TRUE(ReadRecordFile(folder / "big.tsf", 7, 2, plan, records, counts, buffer, error));
    ASSERT_EQ(records.size(), 30001u);
    EXPECT_EQ(records.back().line, 30003u);
    EXPECT_DOUBLE_EQ(records.back().value[kHumidity], 8);
    EXPECT_EQ(counts.skipped, 1);
    EXPECT_EQ(counts.firstSkippedLine, 30002);
    EXPECT_FALSE(ReadRecordFile(folder / "none.tsf", 0, 1, plan, records, counts, buffer, error));
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace corvane::wxcheck

namespace corvane::wxcheck {
namespace {

// Values read through a record are the doubles std::from_chars gives for the same text.
TEST(WxcheckRecords, NumbersAsFromCharsReadsThem) {
    std::mt19937_64 random(5);
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "5.",
                                      ".5",
                                      "007.250",
                                      "1e3",
                                      "-2.5E-3",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.1",
                                      "0.2",
                                      "0.3",
                                      "-899.99",
                                      "3.14159265358979",
                                      "0.0000000000000001",
                                      "12345678.12345678"};
    for (int i = 0; i < 3000; ++i) {
        const int digits = static_cast<int>(random() % 17) + 1;
        std::string text = random() % 2 ? "-" : "";
        const int pointAt = static_cast<int>(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == pointAt && d > 0) {
                text += '.';
            }
            text += static_cast<char>('0' + random() % 10);
        }
        texts.push_back(text);
    }
    std::string lines;
    for (const std::string& t : texts) {
        lines += kStamps + " 1 2 3 " + t + "\n";
    }
    const Parsed p = Parse(lines);
    ASSERT_EQ(p.records.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        double expected = 0;
        std::from_chars(texts[i].data(), texts[i].data() + texts[i].size(), expected);
        if (!(expected > -900.0)) {
            EXPECT_TRUE(std::isnan(p.records[i].value[kHumidity])) << texts[i];
            continue;
        }
        EXPECT_EQ(p.records[i].value[kHumidity], expected) << texts[i];
        EXPECT_EQ(std::signbit(p.records[i].value[kHumidity]), std::signbit(expected)) << texts[i];
    }
}

}  // namespace
}  // namespace corvane::wxcheck

namespace corvane::wxcheck {
namespace {

// Kept pairs give back values of up to four decimals as the very doubles read, others to
// single precision.
TEST(WxcheckRecords, KeptPairsKeepFourDecimalsExactly) {
    std::mt19937_64 random(9);
    KeptPair pair;
    for (int i = 0; i < 20000; ++i) {
        char text[32];
        const long long tenThousandths =
            static_cast<long long>(random() % 4000000000ull) - 2000000000ll;
        std::snprintf(text, sizeof text, "%lld.%04lld", tenThousandths / 10000,
                      std::llabs(tenThousandths % 10000));
        double value = 0;
        std::from_chars(text, text + std::strlen(text), value);
        if (tenThousandths < 0 && tenThousandths > -10000) {
            value = -value;  // "-0.xxxx" was printed as "0.xxxx"
        }
        pair.Set(kTemperature, value, -value);
        ASSERT_EQ(pair.Observed(kTemperature), value) << text;
        ASSERT_EQ(pair.Predicted(kTemperature), -value) << text;
    }
    for (const double odd : {1.0 / 3.0, 2.5e9, -1e-7, 293.15 - 273.15}) {
        pair.Set(kSpeed, odd, 7.25);
        EXPECT_NEAR(pair.Observed(kSpeed), odd, 1e-6 * std::fabs(odd) + 1e-12);
        EXPECT_EQ(pair.Predicted(kSpeed), 7.25);
        EXPECT_TRUE(pair.Uses(kSpeed));
    }
    pair.SetUnused(kSpeed);
    EXPECT_FALSE(pair.Uses(kSpeed));
    EXPECT_TRUE(pair.Uses(kTemperature));
    EXPECT_FALSE(KeptPair().Uses(kHumidity));
}

}  // namespace
}  // namespace corvane::wxcheck
