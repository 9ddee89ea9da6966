#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <random>

#include "engine_fixture.h"
#include "period/calendar.h"
#include "tsf/plain_file.h"
#include "tsf/record_stamp.h"
#include "tsf/tsf_records.h"
#include "wxcheck/evaluation/station_evaluation.h"
#include "wxcheck/outputs/output_text.h"

namespace corvane::wxcheck {
namespace {

struct Parsed {
    std::vector<Record> records;
    RecordCounts counts;
};

// Variables WSPEED, WDIR, TEMP (in `unit`), MIXR.
RecordPlan FourVariables(TemperatureUnit unit = TemperatureUnit::Kelvin) {
    RecordPlan plan;
    plan.variableCount = 4;
    plan.column = {0, 1, 2, 3};
    plan.temperatureUnit = unit;
    return plan;
}

Parsed Parse(const std::string& text, TemperatureUnit unit = TemperatureUnit::Kelvin,
             std::int64_t line = 14) {
    Parsed parsed;
    ParseRecordLines(text, line, FourVariables(unit), parsed.records, parsed.counts);
    return parsed;
}

// The records of `text` written as a file, read from `offset` on in blocks of `bytes`;
// `grown` is appended after the opening.
Parsed ReadAsFile(const std::string& text, std::uint64_t offset, std::size_t bytes,
                  std::vector<char>& buffer, const std::string& grown = "") {
    testing::ScratchFolder folder;
    testing::WriteFile(folder / "f.tsf", text);
    std::string error;
    std::uint64_t size = 0;
    const FileDescriptor file = OpenPlainFile(folder / "f.tsf", error, &size);
    std::ofstream(folder / "f.tsf", std::ios::app) << grown;
    Parsed p;
    EXPECT_TRUE(ReadRecordFile(file.get(), offset, size, 2, FourVariables(), p.records, p.counts,
                               buffer, bytes, error))
        << error;
    return p;
}

std::string Counts(const RecordCounts& c) {
    return std::to_string(c.records) + " " + std::to_string(c.skipped) + " " +
           std::to_string(c.firstSkippedLine) + " " + c.firstSkippedReason + " " +
           std::to_string(c.outOfRange) + " " + std::to_string(c.firstOutOfRangeLine);
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
    EXPECT_EQ(p.records[0].line, 14);
    EXPECT_DOUBLE_EQ(p.records[1].value[kSpeed], 1.5);
    EXPECT_DOUBLE_EQ(p.records[1].value[kHumidity], -899.5);
    // -999, -900, nan, inf, -1e3 and out-of-range values are all missing.
    for (const auto& [record, variable] : std::vector<std::pair<int, int>>{{1, kDirection},
                                                                           {1, kTemperature},
                                                                           {2, kSpeed},
                                                                           {2, kDirection},
                                                                           {2, kHumidity},
                                                                           {3, kSpeed},
                                                                           {3, kDirection}}) {
        EXPECT_TRUE(std::isnan(p.records[record].value[variable])) << record << " " << variable;
    }
    // Records, skipped, first skipped line and why, out of range and its first line.
    EXPECT_EQ(Counts(p.counts), "4 3 19 it has too few fields (13 of the 14 needed) 2 17");
    // A first record whose dates are no numbers at all is no record either.
    EXPECT_EQ(Counts(Parse("x x x 00 0000 x x x 01 0000 1 2 3 4\n").counts),
              "0 1 14 its begin stamp names no time: year 'x' is not 3 or 4 digits 0 0");
}

TEST(WxcheckRecords, VariablesByNameAndUnitsTemperaturesAsKelvin) {
    // A second WDIR does not count; MIXR in kg/kg is refused with a warning.
    const FileVariables v = MapVariables({{"wspeed", ""},
                                          {"WDIR", "DEG"},
                                          {"WDIR", "rad"},
                                          {"TEMP", "degc"},
                                          {"PRES", "hPa"},
                                          {"RHUM", "%"},
                                          {"MIXR", "kg/kg"}});
    EXPECT_EQ(v.column, (std::array<int, 3>{0, 1, 3}));  // speed, direction, temperature
    EXPECT_EQ(v.temperatureUnit, TemperatureUnit::Celsius);
    EXPECT_EQ(v.humidityColumn[static_cast<int>(HumidityKind::Relative)], 5);
    EXPECT_EQ(v.humidityColumn[static_cast<int>(HumidityKind::MixingRatio)], -1);
    ASSERT_EQ(v.warnings.size(), 1u);
    EXPECT_NE(v.warnings[0].find("MIXR"), std::string::npos);
    EXPECT_NE(v.warnings[0].find("kg/kg"), std::string::npos);
    EXPECT_EQ(MapVariables({{"TEMP", "Rankine"}}).column[kTemperature], -1);
    // Missing is tested before any conversion (the engine's tests convert values): -999 F is
    // not a temperature.
    EXPECT_TRUE(std::isnan(Parse(kStamps + " 1 2 -999 4\n", TemperatureUnit::Fahrenheit)
                               .records[0]
                               .value[kTemperature]));
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
        const std::string fields = y + " " + m + " " + d + " " + h + " " + s;
        ASSERT_EQ(ours, theirs) << fields;
        if (ours) {
            ASSERT_EQ(stamp, SecondsFromSerial(serial)) << fields;
            ++checked;
        }
    }
    EXPECT_GT(checked, 15000);
}

// A long line is skipped, not held: the buffer stays at its size, whatever the line.
// Repeated end stamps: the record read first stays, also beyond line 2^32; the records held
// while a file is read follow its distinct stamps, not its length, and a file that grows
// while it is read is read as it was when it was opened.
TEST(WxcheckRecords, FilesReadInChunksHoldNeitherLongLinesNorRepeatedStamps) {
    std::string text = "header\n";     // offset 7, first record line 2
    for (int i = 0; i < 30000; ++i) {  // several chunks
        text += testing::Record(1 + i / 24, i % 24, "1 2 3 4");
    }
    text += std::string(3u << 20, '7') + "\n";
    text += kStamps + " 1 2 3 " + std::string(kMaxRecordLine, '0') + "\n";
    text += testing::Record(2000, 1, "5 6 7 8");
    text.pop_back();  // the last line without its end
    std::vector<char> buffer;
    const std::size_t bytes = RecordBufferBytes(256);
    const Parsed big = ReadAsFile(text, 7, bytes, buffer);
    ASSERT_EQ(big.records.size(), 30001u);
    EXPECT_EQ(big.records.back().line, 30004);
    EXPECT_DOUBLE_EQ(big.records.back().value[kHumidity], 8);
    EXPECT_EQ(Counts(big.counts), "30001 2 30002 it is longer than 65536 bytes 0 0");
    EXPECT_LE(buffer.capacity(), bytes);

    Parsed late = Parse(kStamps + " 1 2 3 4\n" + kStamps + " 5 6 7 8\n", TemperatureUnit::Kelvin,
                        (std::int64_t{1} << 32) - 1);
    DropDuplicateStamps(late.records, late.counts);
    ASSERT_EQ(late.records.size(), 1u);
    EXPECT_DOUBLE_EQ(late.records[0].value[kSpeed], 1);
    EXPECT_EQ(late.counts.firstDuplicateLine, std::int64_t{1} << 32);

    const int lines = 300000;
    text.clear();
    for (int i = 0; i < lines; ++i) {
        text += testing::Record(1, 1 + i % 5, "1 2 3 4");
    }
    const Parsed repeated =
        ReadAsFile(text, 0, RecordBufferBytes(1), buffer, testing::Record(2, 1, "1 2 3 4"));
    EXPECT_EQ(repeated.records.size(), 5u) << "the record appended after the opening is not read";
    EXPECT_EQ(repeated.counts.duplicates, lines - 5);
    EXPECT_LT(repeated.records.capacity(), static_cast<std::size_t>(lines / 2));
}

// Values are written with 4 decimals as std::to_chars rounds the exact value of the double,
// also next to a tie, where ten-thousandths taken by multiplying would round the other way.
TEST(WxcheckRecords, ValuesAreWrittenAsToCharsWritesThem) {
    std::mt19937_64 random(12);
    std::vector<double> values = {-0.0, -0.00004, 2.94125, 1e15, 1e300, 5.144444444444445};
    for (int i = 0; i < 100000; ++i) {
        const double tie = (static_cast<double>(random() % 2000000000) + 0.5) / 1e4;
        values.insert(values.end(), {tie, std::nextafter(tie, 0.0), -std::nextafter(tie, 1e9),
                                     std::ldexp(static_cast<double>(random() % (1u << 30)),
                                                static_cast<int>(random() % 60) - 40)});
    }
    for (const double value : values) {
        char text[400];
        const auto end =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4).ptr;
        const std::string want(text, end);
        std::string got = "x";
        AppendValue(got, value);
        ASSERT_EQ(got, want == "-0.0000"  ? "x0.0000"
                       : want.size() > 60 ? "x-999"
                                          : "x" + want)
            << std::hexfloat << value;
    }
}

// Kept pairs give back values of up to four decimals as the very doubles read, others to
// single precision.
TEST(WxcheckRecords, KeptPairsKeepFourDecimalsExactly) {
    std::mt19937_64 random(9);
    KeptPair pair;
    for (int i = 0; i < 20000; ++i) {
        const std::string text =
            std::to_string(static_cast<long long>(random() % 4000000000ull) - 2000000000ll) + "e-4";
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        pair.Set(kTemperature, value, -value);
        ASSERT_EQ(pair.Observed(kTemperature), value) << text;
        ASSERT_EQ(pair.Predicted(kTemperature), -value) << text;
    }
    for (const double odd : {1.0 / 3.0, 2.5e9, -1e-7, 293.15 - 273.15}) {
        pair.Set(kSpeed, odd, 7.25);
        EXPECT_NEAR(pair.Observed(kSpeed), odd, 1e-6 * std::fabs(odd) + 1e-12);
        EXPECT_EQ(pair.Predicted(kSpeed), 7.25);
    }
}

}  // namespace
}  // namespace corvane::wxcheck
