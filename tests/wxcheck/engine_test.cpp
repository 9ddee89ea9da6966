#include "wxcheck/engine.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "engine_fixture.h"
#include "support/tmpfs_mount.h"

namespace corvane::wxcheck {
namespace {

using testing::ControlOptions;
using testing::ControlText;
using testing::ReadTable;
using testing::ReadText;
using testing::Record;
using testing::ScratchFolder;
using testing::StationText;
using testing::Table;
using testing::TsfText;
using testing::WriteText;

const std::vector<std::string> kMet = {"WSPEED m/s", "WDIR deg", "TEMP K", "MIXR g/kg"};

struct RunOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

RunOutcome RunIn(const ScratchFolder& folder, const ControlOptions& options, unsigned threads = 2) {
    ControlOptions o = options;
    if (o.folder.empty()) {
        o.folder = folder.path();
    }
    WriteText(folder / "wxcheck.inp", ControlText(o));
    std::ostringstream out, err;
    EngineOptions engine;
    engine.controlPath = folder / "wxcheck.inp";
    engine.threads = threads;
    RunOutcome run;
    run.status = RunEngine(engine, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Two stations over one day, values worked out by hand.
class WxcheckHandWorked : public ::testing::Test {
protected:
    void SetUp() override {
        WriteText(folder_ / "a_prd.tsf",
                  TsfText(kMet, Record(1, 0, "9 9 300 9") +  // before the period
                                    Record(1, 1, "3 10 281 6") + Record(1, 2, "5 100 280 5") +
                                    Record(1, 3, "2 200 282 4") + Record(1, 24, "4 0 283 3")));
        WriteText(folder_ / "a_obs.tsf",
                  TsfText(kMet, Record(1, 0, "1 1 290 1") + Record(1, 1, "2 350 280 5") +
                                    Record(1, 2, "0.9999 90 281 4") + Record(1, 3, "1 190 -999 5") +
                                    Record(1, 24, "2 0 281 3")));
        WriteText(folder_ / "b_prd.tsf",
                  TsfText({"WSPEED", "WDIR", "TEMP C"}, Record(1, 1, "2 350 7")));
        WriteText(folder_ / "b_obs.tsf",
                  TsfText({"wspeed", "wdir", "temp degc"}, Record(1, 1, "4 10 6.5")));
        WriteText(folder_ / "run_WXCHECK.TSF.STN",
                  StationText({{"a_prd.tsf", "a_obs.tsf"}, {"b_prd.tsf", "b_obs.tsf"}}));
    }

    ScratchFolder folder_;
};

TEST_F(WxcheckHandWorked, PooledHoursAndDays) {
    const RunOutcome run = RunIn(folder_, ControlOptions());
    ASSERT_EQ(run.status, kAllEvaluated) << run.err;
    const Table wind = ReadTable(folder_ / "run_HourlyWindStats.dat");
    ASSERT_EQ(wind.rows.size(), 24u);  // 01 to 23 of the 1st and 00 of the 2nd
    EXPECT_EQ(wind.At(0, "Date"), "2008-01-01");
    EXPECT_EQ(wind.At(0, "Hour"), "01");
    // Hour 01: speeds O = 2, 4 and P = 3, 2; directions across north both ways.
    EXPECT_EQ(wind.At(0, "N_WS"), "2");
    EXPECT_EQ(wind.At(0, "Obs_WS"), "3.0000");
    EXPECT_EQ(wind.At(0, "Bias_WS"), "-0.5000");
    EXPECT_EQ(wind.At(0, "GE_WS"), "1.5000");
    EXPECT_EQ(wind.At(0, "R_WS"), "-1.0000");
    EXPECT_EQ(wind.At(0, "N_WD"), "2");
    EXPECT_EQ(wind.At(0, "Obs_WD"), "0.0000");
    EXPECT_EQ(wind.At(0, "Bias_WD"), "0.0000");
    EXPECT_EQ(wind.At(0, "GE_WD"), "20.0000");
    // Hour 02: observed speed exactly at the threshold is calm: speed counts, direction not.
    EXPECT_EQ(wind.At(1, "N_WS"), "1");
    EXPECT_EQ(wind.At(1, "N_WD"), "0");
    EXPECT_EQ(wind.At(1, "Obs_WD"), "-999");
    EXPECT_EQ(wind.At(1, "RMSE_WS"), "4.0001");
    EXPECT_EQ(wind.At(1, "IOA_WS"), "-999");  // a single pair
    // An hour without pairs is still written.
    EXPECT_EQ(wind.At(5, "N_WS"), "0");
    EXPECT_EQ(wind.At(5, "Bias_WS"), "-999");
    // The record ending at 00:00 belongs to hour 00 of the new day.
    EXPECT_EQ(wind.At(23, "Date"), "2008-01-02");
    EXPECT_EQ(wind.At(23, "Hour"), "00");
    EXPECT_EQ(wind.At(23, "N_WS"), "1");
    EXPECT_EQ(wind.At(23, "Bias_WS"), "2.0000");

    const Table teHu = ReadTable(folder_ / "run_HourlyTeHuStats.dat");
    // Hour 01: temperatures 280 K / 281 K and 6.5 C / 7 C, both as kelvin.
    EXPECT_EQ(teHu.At(0, "N_T"), "2");
    EXPECT_EQ(teHu.At(0, "Obs_T"), "279.8250");
    EXPECT_EQ(teHu.At(0, "Bias_T"), "0.7500");
    // Station b has no humidity: only station a counts.
    EXPECT_EQ(teHu.At(0, "N_H"), "1");
    EXPECT_EQ(teHu.At(0, "Bias_H"), "1.0000");
    // Hour 03: observed temperature missing; with filter 0 the other variables stay.
    EXPECT_EQ(teHu.At(2, "N_T"), "0");
    EXPECT_EQ(wind.At(2, "N_WS"), "1");
    EXPECT_EQ(teHu.At(2, "N_H"), "1");

    const Table daily = ReadTable(folder_ / "run_DailyWindStats.dat");
    ASSERT_EQ(daily.rows.size(), 2u);
    EXPECT_EQ(daily.At(0, "N_WS"), "4");
    EXPECT_EQ(daily.At(1, "Date"), "2008-01-02");
    EXPECT_EQ(daily.At(1, "N_WS"), "1");
    // Day 1 directions: hour 01 (+20, -20) and hour 03 (P 200, O 190, non-calm: +10).
    EXPECT_EQ(daily.At(0, "N_WD"), "3");
    EXPECT_EQ(daily.At(0, "Bias_WD"), "3.3333");
    EXPECT_EQ(ReadTable(folder_ / "run_DailyTeHuStats.dat").At(0, "N_H"), "3");

    const std::string list = ReadText(folder_ / "run_wxcheck.lst");
    // Station table: records read (one of each file before the period), pairs in the
    // period, missing, used, calm, skipped and duplicates, humidity variable.
    EXPECT_TRUE(Contains(list,
                         "   1  evaluated         5         5         4         1         4"
                         "         1      0/0      0/0  MIXR  WSPEED,WDIR,TEMP,MIXR"))
        << list.substr(list.find("STATIONS"), 800);
    EXPECT_TRUE(Contains(list, "Willmott's 1981 index of agreement"));
    EXPECT_TRUE(Contains(list, "Pooled humidity variable: MIXR (g/kg), used by 1 station(s)"));
    EXPECT_TRUE(Contains(list, "BENCHMARKS"));
    EXPECT_TRUE(Contains(run.out, "Station 2 of 2"));
}

TEST_F(WxcheckHandWorked, MissingFilterOneDropsTheWholeHour) {
    ControlOptions o;
    o.filter = "1";
    o.start = "20080101020000";  // from 02:00
    o.end = "20080101030000";    // to 03:00, both inclusive
    // Station b has no record in that period: it is reported, station a evaluated.
    ASSERT_EQ(RunIn(folder_, o).status, kSomeFailed);
    const Table wind = ReadTable(folder_ / "run_HourlyWindStats.dat");
    ASSERT_EQ(wind.rows.size(), 2u);
    EXPECT_EQ(wind.At(0, "N_WS"), "1");
    EXPECT_EQ(wind.At(1, "N_WS"), "0");  // the missing temperature removes the hour
    const Table daily = ReadTable(folder_ / "run_DailyWindStats.dat");
    ASSERT_EQ(daily.rows.size(), 1u);
    EXPECT_EQ(daily.At(0, "N_WS"), "1");
    const std::string list = ReadText(folder_ / "run_wxcheck.lst");
    EXPECT_TRUE(Contains(list, "1 (remove hours with missing values)"));
}

// The fields of the "All" row of a table in a section of the list file.
std::vector<std::string> AllRow(const std::string& list, const std::string& section,
                                const std::string& table) {
    const std::size_t at = list.find(table, list.find(section));
    const std::size_t row = list.find("\nAll ", at);
    if (at == std::string::npos || row == std::string::npos) {
        return {};
    }
    std::istringstream fields(list.substr(row + 1, list.find('\n', row + 1) - row - 1));
    std::vector<std::string> out;
    for (std::string field; fields >> field;) {
        out.push_back(field);
    }
    return out;
}

TEST_F(WxcheckHandWorked, TimeOfDayWindowsAndSpeedRanges) {
    ControlOptions o;
    o.block = "1 : NTPD\n02,03\n1 : NWSP\n1.5,3\n";
    ASSERT_EQ(RunIn(folder_, o).status, kAllEvaluated);
    const std::string list = ReadText(folder_ / "run_wxcheck.lst");
    // Hours 02 and 03: station a only (O 0.9999, 1; P 5, 2).
    const std::vector<std::string> window =
        AllRow(list, "TIME OF DAY 02 TO 03", "Wind speed (m/s)");
    ASSERT_GE(window.size(), 5u) << list;
    EXPECT_EQ(window[1], "2");
    EXPECT_EQ(window[4], "2.5000");  // bias (4.0001 + 1) / 2, in print
    // Observed speed in (1.5, 3]: station a at 01:00 (O 2, P 3) and 00:00 (O 2, P 4).
    const std::vector<std::string> range =
        AllRow(list, "WIND SPEED RANGE 1.5 < observed WS <= 3 m/s", "Wind speed (m/s)");
    ASSERT_GE(range.size(), 5u) << list;
    EXPECT_EQ(range[1], "2");
    EXPECT_EQ(range[2], "2.0000");
    EXPECT_EQ(range[4], "1.5000");
}

TEST(WxcheckEngine, BadInputIsReportedAndTheOtherStationsEvaluated) {
    ScratchFolder f;
    const std::string good = Record(1, 1, "3 10 281 6") + Record(1, 2, "4 20 282 6");
    WriteText(f / "good.tsf", TsfText(kMet, good));
    WriteText(f / "zone.tsf", TsfText(kMet, good, "utc+0100"));
    WriteText(f / "messy.tsf",
              TsfText(kMet, Record(1, 1, "3 10 281") + Record(1, 1, "3 10 281 6") +
                                Record(1, 2, "4 20 282 6") + Record(1, 2, "5 20 282 6") +
                                Record(1, 3, "4 400 282 six") + Record(1, 4, "-2 20 282 6")));
    WriteText(f / "units.tsf", TsfText({"WSPEED knots", "WDIR grad", "TEMP R", "MIXR ppm"}, good));
    WriteText(f / "late.tsf", TsfText(kMet, Record(3, 1, "3 10 281 6")));
    WriteText(f / "x','y", TsfText(kMet, good));
    WriteText(f / "y','z", TsfText(kMet, good));
    WriteText(f / "x", TsfText(kMet, good));
    WriteText(f / "z", TsfText(kMet, good));
    WriteText(f / "run_WXCHECK.TSF.STN", StationText({{"good.tsf", "good.tsf"},
                                                      {"absent.tsf", "good.tsf"},
                                                      {"good.tsf", "zone.tsf"},
                                                      {"messy.tsf", "good.tsf"},
                                                      {"units.tsf", "good.tsf"},
                                                      {"x','y", "z"},
                                                      {"good.tsf", "late.tsf"}}));
    const RunOutcome run = RunIn(f, ControlOptions());
    EXPECT_EQ(run.status, kSomeFailed);
    const std::string list = ReadText(f / "run_wxcheck.lst");
    const std::string path = f.path();
    for (const std::string& expected : std::vector<std::string>{
             "station 2 (not evaluated): " + path + "absent.tsf: ",
             "No such file or directory",
             "station 3 (not evaluated): " + path +
                 "zone.tsf:7: the file's time zone utc+0100 "
                 "differs from the processing zone UTC+0000",
             "station 4: " + path +
                 "messy.tsf:15: 2 record(s) skipped; the first (line 15) has "
                 "too few fields",
             "station 4: " + path + "messy.tsf:20: 1 value(s) out of range",
             "station 4: " + path +
                 "messy.tsf:18: 1 record(s) in the period repeat an earlier end stamp",
             "station 5: " + path +
                 "units.tsf: variable WSPEED (line 1 of the variables) has "
                 "units 'knots', not m/s; it is not evaluated",
             "station 5 (not evaluated): the two files share no variable",
             "station 6 (not evaluated): " + path + "run_WXCHECK.TSF.STN:9: ambiguous station line",
             "station 7 (not evaluated): no predicted and observed records with the same end "
             "stamp in the period 2008-01-01 01:00:00 to 2008-01-02 00:00:00",
         }) {
        EXPECT_TRUE(Contains(list, expected)) << expected;
    }
    EXPECT_TRUE(Contains(run.err, "station 3: " + path + "zone.tsf:7: the file's time zone"));
    EXPECT_TRUE(Contains(run.out, "Station 2 of 7: FAILED"));
    EXPECT_TRUE(Contains(run.out, "2 of 7 station(s) evaluated"));
    // The messy station keeps the first of the duplicated records (speed 4 at 02:00).
    const Table wind = ReadTable(f / "run_HourlyWindStats.dat");
    EXPECT_EQ(wind.At(1, "N_WS"), "2");
    EXPECT_EQ(wind.At(1, "Obs_WS"), "4.0000");
    EXPECT_EQ(wind.At(1, "Prd_WS"), "4.0000");
}

TEST(WxcheckEngine, NothingToEvaluateStillExplainsInTheListFile) {
    ScratchFolder f;
    // A refused control file.
    ControlOptions o;
    o.start = "2008";
    RunOutcome run = RunIn(f, o);
    EXPECT_EQ(run.status, kNothingEvaluated);
    EXPECT_TRUE(Contains(run.err, "wxcheck.inp:8: the period start '2008'"));
    EXPECT_TRUE(Contains(ReadText(f / "run_wxcheck.lst"), "wxcheck.inp:8: the period start"));
    // No station file.
    run = RunIn(f, ControlOptions());
    EXPECT_EQ(run.status, kNothingEvaluated);
    EXPECT_TRUE(Contains(ReadText(f / "run_wxcheck.lst"),
                         f.path() + "run_WXCHECK.TSF.STN: cannot read the station file: No such "
                                    "file or directory"));
    // No station usable.
    WriteText(f / "run_WXCHECK.TSF.STN", StationText({{"a.tsf", "b.tsf"}}));
    run = RunIn(f, ControlOptions());
    EXPECT_EQ(run.status, kNothingEvaluated);
    EXPECT_TRUE(Contains(ReadText(f / "run_wxcheck.lst"), "no station could be evaluated"));
    // The statistics files of the run are there, every row without pairs: nothing is left
    // from an earlier run.
    const Table hourly = ReadTable(f / "run_HourlyWindStats.dat");
    ASSERT_EQ(hourly.rows.size(), 24u);
    EXPECT_EQ(hourly.At(0, "N_WS"), "0");
    EXPECT_EQ(hourly.At(0, "Obs_WS"), "-999");
    // No control file at all: nothing to write, but a clear message.
    std::ostringstream out, err;
    EngineOptions missing;
    missing.controlPath = f / "none.inp";
    EXPECT_EQ(RunEngine(missing, out, err), kNothingEvaluated);
    EXPECT_TRUE(Contains(err.str(), "none.inp: cannot read the control file: No such file"));
}

TEST(WxcheckEngine, ReadOnlyOutputFolderIsReported) {
    corvane::testing::TmpfsMount mount(256);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    ScratchFolder f;
    WriteText(f / "s.tsf", TsfText(kMet, Record(1, 1, "3 10 281 6")));
    WriteText(mount.path() + "/run_WXCHECK.TSF.STN", StationText({{f / "s.tsf", f / "s.tsf"}}));
    ControlOptions o;
    o.folder = mount.path() + "/";
    WriteText(f / "wxcheck.inp", ControlText(o));
    ASSERT_TRUE(mount.makeReadOnly());
    std::ostringstream out, err;
    EngineOptions engine;
    engine.controlPath = f / "wxcheck.inp";
    EXPECT_EQ(RunEngine(engine, out, err), kNothingEvaluated);
    EXPECT_TRUE(Contains(err.str(), "run_HourlyWindStats.dat: cannot write the file: Read-only"));
    EXPECT_TRUE(Contains(err.str(), "run_wxcheck.lst: cannot write the list file: Read-only"));
    mount.makeWritable();
}

TEST(WxcheckEngine, OutputDoesNotDependOnTheThreadCount) {
    ScratchFolder f;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> speed(0, 8), direction(0, 360), temperature(260, 300);
    std::vector<std::pair<std::string, std::string>> stations;
    for (int s = 0; s < 9; ++s) {
        std::string predicted, observed;
        for (int day = 1; day <= 3; ++day) {
            for (int hour = 1; hour <= 24; ++hour) {
                char values[96];
                std::snprintf(values, sizeof values, "%.2f %.1f %.2f %.2f", speed(random),
                              direction(random), temperature(random), speed(random));
                predicted += Record(day, hour, values);
                std::snprintf(values, sizeof values, "%.2f %.1f %.2f %.2f", speed(random),
                              direction(random), random() % 17 == 0 ? -999.0 : temperature(random),
                              speed(random));
                observed += Record(day, hour, values);
            }
        }
        const std::string name = "s" + std::to_string(s);
        WriteText(f / (name + "p.tsf"), TsfText(kMet, predicted));
        WriteText(f / (name + "o.tsf"), TsfText(kMet, observed));
        stations.emplace_back(name + "p.tsf", name + "o.tsf");
    }
    WriteText(f / "run_WXCHECK.TSF.STN", StationText(stations));
    ControlOptions o;
    o.end = "20080104000000";
    o.block = "2 : NTPD\n22,03\n04,21\n2 : NWSP\n0,3\n3,8\n";
    const std::vector<std::string> files = {"run_wxcheck.lst", "run_HourlyWindStats.dat",
                                            "run_HourlyTeHuStats.dat", "run_DailyWindStats.dat",
                                            "run_DailyTeHuStats.dat"};
    ASSERT_EQ(RunIn(f, o, 1).status, kAllEvaluated);
    std::vector<std::string> single;
    for (const std::string& name : files) {
        single.push_back(ReadText(f / name));
    }
    for (const unsigned threads : {2u, 5u}) {
        ASSERT_EQ(RunIn(f, o, threads).status, kAllEvaluated);
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(ReadText(f / files[i]), single[i]) << files[i] << " with " << threads;
        }
    }
    EXPECT_TRUE(Contains(single[0], "WIND SPEED RANGE 3 < observed WS <= 8 m/s"));
    EXPECT_TRUE(Contains(single[0], "TIME OF DAY 22 TO 03"));
    EXPECT_EQ(ReadTable(f / "run_HourlyWindStats.dat").rows.size(), 72u);
}

}  // namespace
}  // namespace corvane::wxcheck
