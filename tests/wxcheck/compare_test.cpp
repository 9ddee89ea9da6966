#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine_fixture.h"
#include "support/tmpfs_mount.h"
#include "wxcheck/compare/compare_run.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using testing::Record;

// Temperature records of day 1, hours 1 to 24, `value(hour)` each; hours where it is empty
// are left out.
std::string Hours(const std::function<std::string(int)>& value) {
    std::string records;
    for (int h = 1; h <= 24; ++h) {
        if (const std::string v = value(h); !v.empty()) {
            records += Record(1, h, v);
        }
    }
    return records;
}

std::string Temperatures(const std::function<std::string(int)>& value,
                         const std::string& site = "") {
    return TsfText({"TEMP K"}, Hours(value), "UTC+0000", site);
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs in folders of their own below one scratch folder; the comparison writes into out/.
class CompareTest : public ::testing::Test {
protected:
    // A run's folder `name` with its control file, station file and the files `files`.
    std::string Run(const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& stations,
                    ControlOptions o = {}) {
        std::filesystem::create_directories(root_ / name);
        o.folder = root_ / name;
        WriteFile(root_ / (name + "/wxcheck.inp"), ControlText(o));
        WriteFile(root_ / (name + "/run_WXCHECK.TSF.STN"), StationText(stations));
        return root_ / (name + "/wxcheck.inp");
    }

    Outcome Compare(const std::vector<std::string>& controls, unsigned threads = 2,
                    const std::string& folder = "out") {
        CompareOptions options;
        options.controlPaths = controls;
        options.folder = folder.starts_with('/') ? folder : root_ / folder;
        std::filesystem::create_directories(options.folder);
        options.root = "cmp";
        options.threads = threads;
        options.havePeriod = !period_.first.empty();
        options.startText = period_.first;
        options.endText = period_.second;
        std::ostringstream out, err;
        const int status = RunComparison(options, out, err);
        return {status, out.str(), err.str()};
    }

    // "value difference verdict" of the CSV row with these key cells.
    std::string Cell(const std::string& run, const std::string& station,
                     const std::string& quantity, const std::string& statistic,
                     const std::string& section = "period") {
        std::istringstream csv(ReadFile(root_ / "out/cmp_Comparison.csv"));
        for (std::string line; std::getline(csv, line);) {
            std::vector<std::string> cells(1);
            bool quoted = false;
            for (const char c : line) {  // no quote inside the texts of these tests
                if (c == '"') {
                    quoted = !quoted;
                } else if (c == ',' && !quoted) {
                    cells.emplace_back();
                } else {
                    cells.back() += c;
                }
            }
            if (cells.size() == 15 && cells[0] == run && cells[2] == station &&
                cells[3] == section && cells[4] == quantity && cells[5] == statistic) {
                return cells[6] + " " + cells[9] + " " + cells[12];
            }
        }
        return "<no row>";
    }

    // Every CSV row of run `run` with its cells.
    std::vector<std::vector<std::string>> Rows(const std::string& run) {
        std::vector<std::vector<std::string>> rows;
        std::istringstream csv(ReadFile(root_ / "out/cmp_Comparison.csv"));
        for (std::string line; std::getline(csv, line);) {
            std::vector<std::string> cells(1);
            for (const char c : line) {  // no comma inside the texts of these tests
                c == ',' ? cells.emplace_back() : cells.back() += c;
            }
            if (cells[0] == run) {
                rows.push_back(cells);
            }
        }
        return rows;
    }

    // "difference_low difference_high verdict" of a whole-period row.
    std::string Paired(const std::string& run, const std::string& station,
                       const std::string& quantity, const std::string& statistic) {
        for (const std::vector<std::string>& c : Rows(run)) {
            if (c[2] == "\"" + station + "\"" && c[3] == "\"period\"" && c[4] == quantity &&
                c[5] == statistic) {
                return c[10] + " " + c[11] + " " + c[12];
            }
        }
        return "<no row>";
    }

    // Runs `names` of two stations over `days` days of hourly wind and temperature; run k
    // predicts the observed values plus error(day, hour) plus shifts[k] K. The last run
    // lacks the wind direction of the first `directionGap` days.
    std::vector<std::string> MultiDayRuns(int days, const std::vector<std::string>& names,
                                          const std::vector<double>& shifts, int directionGap = 0) {
        const auto series = [&](int station, double shift, bool observed, int gap) {
            std::string records;
            for (int day = 1; day <= days; ++day) {
                for (int hour = 1; hour <= 24; ++hour) {
                    const double t = 270 + (day * 3 + hour * 5 + station) % 11;
                    const double e = observed ? 0 : 0.4 * ((day * 7 + hour) % 5 - 2);
                    char values[64];
                    const double direction = (day * 37 + hour * 11 + station) % 300 + 20 * e;
                    std::snprintf(values, sizeof values, "%.2f %.1f %.2f",
                                  3 + (hour * 3 + day) % 7 + e, day <= gap ? -999 : direction,
                                  t + e + shift);
                    records += Record(day, hour, values);
                }
            }
            return TsfText({"WSPEED m/s", "WDIR deg", "TEMP K"}, records);
        };
        ControlOptions o;
        char end[32];
        std::snprintf(end, sizeof end, "200801%02d000000", days + 1);
        o.end = end;
        std::vector<std::string> controls;
        for (int station = 1; station <= 2; ++station) {
            WriteFile(root_ / ("o" + std::to_string(station) + ".tsf"),
                      series(station, 0, true, 0));
        }
        for (std::size_t k = 0; k < names.size(); ++k) {
            controls.push_back(
                Run(names[k], {{"p1.tsf", "../o1.tsf"}, {"p2.tsf", "../o2.tsf"}}, o));
            for (int station = 1; station <= 2; ++station) {
                WriteFile(
                    root_ / (names[k] + "/p" + std::to_string(station) + ".tsf"),
                    series(station, shifts[k], false, k + 1 == names.size() ? directionGap : 0));
            }
        }
        return controls;
    }

    ScratchFolder root_;
    std::pair<std::string, std::string> period_;
};

// Run b has no forecast for hours 5 and 6: they leave run a too, whose forecast is far off
// just there. Without that, run a's bias would be 1 + 20 / 24. Run a has no temperature at
// hour 10: run b loses it too, but keeps the wind speed there.
TEST_F(CompareTest, AGapInOneRunRemovesTheSameHoursFromAll) {
    const auto series = [](const std::function<std::string(int)>& value) {
        return TsfText({"WSPEED m/s", "TEMP K"}, Hours(value));
    };
    WriteFile(root_ / "obs.tsf", series([](int) { return "3 280"; }));
    const std::string a = Run("a", {{"prd.tsf", "../obs.tsf"}});
    WriteFile(root_ / "a/prd.tsf", series([](int h) {
                  return h == 10 ? "4 -999" : h == 5 || h == 6 ? "4 291" : "4 281";
              }));
    const std::string b = Run("b", {{"prd.tsf", "../obs.tsf"}});
    WriteFile(root_ / "b/prd.tsf", series([](int h) {
                  return h == 5 || h == 6 ? "" : h == 10 ? "5 282" : "5 283";
              }));

    const Outcome o = Compare({a, b});
    ASSERT_EQ(o.status, kAllEvaluated) << o.err;
    EXPECT_EQ(Cell("1", "all stations", "temperature", "n"), "21  ");
    EXPECT_EQ(Cell("2", "all stations", "temperature", "n"), "21 0 ");
    EXPECT_EQ(Cell("1", "all stations", "temperature", "bias"), "1.0000  ");
    EXPECT_EQ(Cell("2", "all stations", "temperature", "bias"), "3.0000 2.0000 no interval");
    EXPECT_EQ(Cell("2", "all stations", "temperature", "gross_error"), "3.0000 2.0000 no interval");
    EXPECT_EQ(Cell("2", "all stations", "wind_speed", "n"), "22 0 ");
    EXPECT_EQ(Cell("2", "all stations", "wind_speed", "bias"), "2.0000 1.0000 no interval");
    // The station's own rows and a time-of-day window (01-06 holds hours 1 to 4 only).
    EXPECT_EQ(Cell("2", "../obs.tsf", "temperature", "n", "hours 01-06"), "4 0 ");
    EXPECT_NE(o.out.find("22 common end stamps"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\nNo interval with common cases on fewer than 10 days: ../obs.tsf, all "
                         "stations\n"),
              std::string::npos)
        << o.out;
    EXPECT_EQ(ReadFile(root_ / "out/cmp_comparison.lst") +
                  "wxcheck: 1 station(s) compared, 0 "
                  "left out; " +
                  (root_ / "out/cmp_comparison.lst") + "\n",
              o.out);
}

// Stations are matched by the observed file itself or by its site text, in any order; a
// station missing from a run, or whose observed file differs, is left out with the reason,
// once.
TEST_F(CompareTest, StationsAreMatchedByFileAndBySiteText) {
    const auto observed = [](int h) { return std::to_string(270 + h); };
    WriteFile(root_ / "obs1.tsf", Temperatures(observed));
    const std::string alpha = Temperatures(observed, "=Alpha");
    const std::string a = Run("a", {{"p1.tsf", "../obs1.tsf"},
                                    {"p2.tsf", "obs2.tsf"},
                                    {"p3.tsf", "obs3.tsf"},
                                    {"p4.tsf", "obs4.tsf"}});
    WriteFile(root_ / "a/obs2.tsf", alpha);
    WriteFile(root_ / "a/obs3.tsf", Temperatures(observed, "Beta"));
    WriteFile(root_ / "a/obs4.tsf", Temperatures(observed, "Gamma\x1b <i>"));
    const std::string b = Run("b", {{"p3.tsf", "mine3.tsf"},
                                    {"p2.tsf", "copy2.tsf"},
                                    {"p1.tsf", root_ / "obs1.tsf"},
                                    {"p5.tsf", "obs5.tsf"}});
    WriteFile(root_ / "b/copy2.tsf", alpha);  // the same bytes as a's, another file
    WriteFile(root_ / "b/mine3.tsf",
              Temperatures([](int h) { return std::to_string(271 + h); }, "beta"));
    WriteFile(root_ / "b/obs5.tsf", Temperatures(observed, "Delta"));
    for (const std::string run : {"a", "b"}) {
        for (const std::string p : {"p1", "p2", "p3", "p4", "p5"}) {
            WriteFile(root_ / (run + "/" + p + ".tsf"),
                      Temperatures([&](int h) { return std::to_string(270 + h + (run == "b")); }));
        }
    }

    // Run 3 is run 1 again: a station left out for run 2 is still found there.
    const Outcome o = Compare({a, b, a});
    ASSERT_EQ(o.status, kSomeFailed) << o.err;
    EXPECT_EQ(Cell("2", "../obs1.tsf", "temperature", "bias"), "1.0000 1.0000 no interval");
    // A site that a spreadsheet would run as a formula stays a text.
    EXPECT_EQ(Cell("2", "'=Alpha", "temperature", "bias"), "1.0000 1.0000 no interval");
    EXPECT_EQ(Cell("2", "Beta", "temperature", "n"), "<no row>");
    const std::string list = ReadFile(root_ / "out/cmp_comparison.lst");
    EXPECT_NE(list.find("Stations compared: 2\n"), std::string::npos) << list;
    EXPECT_NE(list.find("Beta: the observed file of run 2 (" + b +
                        "), mine3.tsf, differs in "
                        "content from the reference's, obs3.tsf"),
              std::string::npos)
        << list;
    // A control character from outside is shown escaped, never written raw.
    EXPECT_NE(list.find("Gamma\\x1b <i>: missing from run 2 (" + b +
                        "): no station with the observed "
                        "file obs4.tsf or the site 'Gamma\\x1b <i>'"),
              std::string::npos)
        << list;
    EXPECT_EQ(list.find("of run 3"), std::string::npos) << list;
    EXPECT_NE(list.find("Stations left out: 3\n"), std::string::npos) << list;
    const std::string html = ReadFile(root_ / "out/cmp_comparison.html");
    EXPECT_EQ(html.find("<i>"), std::string::npos);
    EXPECT_NE(html.find("Gamma\\x1b &lt;i&gt;: missing from run 2"), std::string::npos);
    for (const std::string& text : {list, html, ReadFile(root_ / "out/cmp_Comparison.csv")}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos);
    }
    EXPECT_NE(list.find("Delta: station 4 of run 2 (" + b + ") is not in the reference run"),
              std::string::npos)
        << list;
}

// A run against itself differs by nothing on every resample: each difference interval has no
// width and no cell is called better or worse, while the run's own statistics have intervals
// of their own. Ten days, the fewest that have intervals. The outputs are the same bytes for
// any thread count.
TEST_F(CompareTest, ARunAgainstItselfDiffersByNothingOnAnyThreadCount) {
    const std::string a = MultiDayRuns(10, {"a"}, {0}).front();
    ASSERT_EQ(Compare({a, a, a}, 1).status, kAllEvaluated);
    std::size_t judged = 0;
    for (const std::vector<std::string>& c : Rows("3")) {
        ASSERT_EQ(c.size(), 15u);
        EXPECT_EQ(c[13] + " " + c[14], "1000 20081");
        if (c[3] != "\"period\"" || c[12].empty()) {
            continue;  // the windows have no intervals; counts and means no verdict
        }
        ++judged;
        EXPECT_EQ(c[9] + " " + c[10] + " " + c[11] + " " + c[12],
                  "0.0000 0.0000 0.0000 no significant difference")
            << c[2] << " " << c[4] << " " << c[5];
        EXPECT_LT(std::stod(c[7]), std::stod(c[8])) << c[2] << " " << c[4] << " " << c[5];
    }
    // Three stations (all, 1, 2), two scalar quantities of 7 verdicts, the direction's 2.
    EXPECT_EQ(judged, 3u * (2 * 7 + 2));
    const std::string csv = ReadFile(root_ / "out/cmp_Comparison.csv");
    const std::string html = ReadFile(root_ / "out/cmp_comparison.html");
    const std::string list = ReadFile(root_ / "out/cmp_comparison.lst");
    EXPECT_EQ(html.find("no interval"), std::string::npos);
    EXPECT_NE(html.find("seed 20081.</p><table><tr><th class=\"l\">Quantity</th><th "
                        "class=\"l\">Statistic</th><th>Run 2 vs 1</th><th>Run 3 vs 1</th></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"same\">0.0000<br/><small>[0.0000, 0.0000]</small>"),
              std::string::npos);
    EXPECT_NE(list.find("Intervals:       95%, day-block bootstrap of 1000 resamples, seed 20081"),
              std::string::npos)
        << list;
    EXPECT_EQ(list.find("No interval"), std::string::npos) << list;
    ASSERT_EQ(Compare({a, a, a}, 3, "out3").status, kAllEvaluated);
    EXPECT_EQ(ReadFile(root_ / "out3/cmp_Comparison.csv"), csv);
    EXPECT_EQ(ReadFile(root_ / "out3/cmp_comparison.html"), html);
    EXPECT_EQ(ReadFile(root_ / "out3/cmp_comparison.lst"), list);
}

// Run b is run a 2 K warmer, run c 2 K colder; a's own temperature bias is near zero. The
// resamples are paired, so b - a is exactly 2 K on every one of them, however wide a's own
// interval is. b and c are worse on bias (by magnitude, though their signed differences
// have opposite signs) and on the errors; against b as the reference, a is better. The
// wind speeds are the same in every run: no significant difference.
TEST_F(CompareTest, AnAddedBiasIsWorseAndItsRemovalBetter) {
    const std::vector<std::string> runs = MultiDayRuns(21, {"a", "b", "c"}, {0, 2, -2});
    ASSERT_EQ(Compare({runs[0], runs[1], runs[2]}).status, kAllEvaluated);
    for (const std::string station : {"all stations", "../o1.tsf"}) {
        EXPECT_EQ(Paired("2", station, "temperature", "bias"), "2.0000 2.0000 worse");
        EXPECT_EQ(Paired("3", station, "temperature", "bias"), "-2.0000 -2.0000 worse");
        for (const std::string statistic : {"rmse", "gross_error", "rmse_systematic"}) {
            EXPECT_TRUE(Paired("2", station, "temperature", statistic).ends_with(" worse"))
                << station << " " << statistic;
            EXPECT_TRUE(Paired("3", station, "temperature", statistic).ends_with(" worse"))
                << station << " " << statistic;
        }
        EXPECT_EQ(Paired("2", station, "wind_speed", "rmse"),
                  "0.0000 0.0000 no significant difference");
    }
    // Run a's own bias interval is wide and holds its value.
    const std::vector<std::string> row = [&] {
        for (const std::vector<std::string>& c : Rows("1")) {
            if (c[2] == "\"all stations\"" && c[4] == "temperature" && c[5] == "bias") {
                return c;
            }
        }
        return std::vector<std::string>(15);
    }();
    EXPECT_LT(std::stod(row[7]), std::stod(row[6]));
    EXPECT_GT(std::stod(row[8]), std::stod(row[6]));
    EXPECT_GT(std::stod(row[8]) - std::stod(row[7]), 0.01);
    const std::string list = ReadFile(root_ / "out/cmp_comparison.lst");
    EXPECT_NE(list.find("[2.0000, 2.0000]    worse"), std::string::npos) << list;
    // The scorecard shows what the bias verdict rests on: c's bias moved by -2 K, yet its
    // magnitude grew.
    const std::string html = ReadFile(root_ / "out/cmp_comparison.html");
    const std::string colder = "-2.0000<br/><small>[-2.0000, -2.0000]</small><br/><small>|bias| ";
    const std::size_t cell = html.find(colder);
    ASSERT_NE(cell, std::string::npos);
    EXPECT_GT(std::stod(html.substr(cell + colder.size(), 12)), 1.5);

    ASSERT_EQ(Compare({runs[1], runs[0]}).status, kAllEvaluated);
    EXPECT_EQ(Paired("2", "all stations", "temperature", "bias"), "-2.0000 -2.0000 better");
    EXPECT_TRUE(Paired("2", "all stations", "temperature", "rmse").ends_with(" better"));
    EXPECT_TRUE(Paired("2", "../o2.tsf", "temperature", "ioa").ends_with(" better"));
}

// Run b is run a without the wind direction of the first five days: run a loses them too,
// also in its intervals, so that the two are the same on every resample.
TEST_F(CompareTest, EveryRunIsResampledOnTheCommonCasesOnly) {
    const std::string a = MultiDayRuns(15, {"a"}, {0}).front();
    const std::string b = MultiDayRuns(15, {"a", "b"}, {0, 0}, 5).back();
    ASSERT_EQ(Compare({a, b}).status, kAllEvaluated);
    for (const std::string station : {"all stations", "../o2.tsf"}) {
        for (const std::string statistic : {"bias", "gross_error"}) {
            EXPECT_EQ(Paired("2", station, "wind_direction", statistic),
                      "0.0000 0.0000 no significant difference")
                << station << " " << statistic;
        }
    }
}

// Runs whose days differ cannot be paired: their own intervals stay, their differences get
// none (the comparison's common cases never lead there).
TEST(ComparePairing, TablesOfDifferentDaysAreNotPaired) {
    const auto table = [](int days) {
        DayTable t;
        for (int d = 0; d < days; ++d) {
            DayRow row;
            for (int h = 0; h < 24; ++h) {
                row.AddScalar(kScalarTemperature, 280 + (d * 5 + h) % 7, 281 + h % 3, 280);
            }
            t.Append(row);
        }
        return t;
    };
    std::vector<RunIntervals> intervals;
    EXPECT_FALSE(PairedIntervals({table(12), table(13)}, 200, 7, intervals));
    ASSERT_EQ(intervals.size(), 2u);
    EXPECT_TRUE(intervals[1].own.made);
    EXPECT_TRUE(StatisticInterval(intervals[1], 2, 3).has_value());
    for (std::size_t i = 0; i < kResampledStatistics; ++i) {
        EXPECT_FALSE(intervals[1].difference[i].has_value());
    }
    EXPECT_TRUE(PairedIntervals({table(12), table(12)}, 200, 7, intervals));
    const auto& bias = intervals[1].judged[static_cast<std::size_t>(ResampledIndex(2, 3))];
    ASSERT_TRUE(bias.has_value());
    EXPECT_EQ(bias->low, 0);
    EXPECT_EQ(bias->high, 0);
    EXPECT_EQ(ResampledIndex(1, 4), static_cast<int>(kResampledDirection + 1));
    EXPECT_EQ(ResampledIndex(3, 2), -1);
}

// Better and worse come only from an interval of the judged difference: the bias by its
// magnitude, IOA and R the larger the better.
TEST(CompareVerdict, OnlyAnIntervalThatExcludesZeroDecides) {
    Difference d = MakeDifference(-0.2, 0.5, Sense::SmallerMagnitude);
    EXPECT_DOUBLE_EQ(d.value, -0.7);
    EXPECT_DOUBLE_EQ(d.judged, -0.3);  // nearer zero: better, once an interval says so
    EXPECT_EQ(Decide(Sense::SmallerMagnitude, d), Verdict::NoInterval);
    d.judgedInterval = DifferenceInterval{-0.4, -0.1};
    EXPECT_EQ(Decide(Sense::SmallerMagnitude, d), Verdict::Better);
    EXPECT_EQ(Decide(Sense::Smaller, d), Verdict::Better);
    EXPECT_EQ(Decide(Sense::Larger, d), Verdict::Worse);
    d.judgedInterval = DifferenceInterval{0.1, 0.4};
    EXPECT_EQ(Decide(Sense::Smaller, d), Verdict::Worse);
    EXPECT_EQ(Decide(Sense::Larger, d), Verdict::Better);
    d.judgedInterval = DifferenceInterval{-0.1, 0.4};
    EXPECT_EQ(Decide(Sense::Larger, d), Verdict::NoSignificantDifference);
    d.judgedInterval = DifferenceInterval{0, 0};
    EXPECT_EQ(Decide(Sense::Smaller, d), Verdict::NoSignificantDifference);
    EXPECT_STREQ(VerdictText(Sense::None, Verdict::Better), "");
}

// Settings that differ are named; --period compares on one period with the first run's
// other settings. No output replaces an input.
TEST_F(CompareTest, SettingsMustAgreeAndNoOutputReplacesAnInput) {
    WriteFile(root_ / "obs.tsf", Temperatures([](int) { return "280"; }));
    const std::string a = Run("a", {{"prd.tsf", "../obs.tsf"}});
    ControlOptions calm;
    calm.calm = "0.5";
    const std::string b = Run("b", {{"prd.tsf", "../obs.tsf"}}, calm);
    WriteFile(root_ / "a/prd.tsf", Temperatures([](int) { return "281"; }));
    WriteFile(root_ / "b/prd.tsf", Temperatures([](int) { return "282"; }));
    Outcome o = Compare({a, b});
    EXPECT_EQ(o.status, kNothingEvaluated);
    EXPECT_NE(o.err.find(b + ": the calm threshold 0.5 differs from 0.9999 in " + a),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists(root_ / "out/cmp_Comparison.csv"));

    period_ = {"20080101030000", "20080101120000"};
    o = Compare({a, b});
    ASSERT_EQ(o.status, kAllEvaluated) << o.err;
    EXPECT_EQ(Cell("2", "all stations", "temperature", "n"), "10 0 ");

    // The comparison's CSV would replace run b's predicted series.
    std::filesystem::rename(root_ / "b/prd.tsf", root_ / "out/cmp_Comparison.csv");
    WriteFile(root_ / "b/run_WXCHECK.TSF.STN",
              StationText({{root_ / "out/cmp_Comparison.csv", "../obs.tsf"}}));
    const std::string before = ReadFile(root_ / "out/cmp_Comparison.csv");
    o = Compare({a, b});
    EXPECT_EQ(o.status, kNothingEvaluated);
    EXPECT_NE(o.err.find("nothing was written"), std::string::npos) << o.err;
    EXPECT_EQ(ReadFile(root_ / "out/cmp_Comparison.csv"), before);
}

// A comparison whose files do not fit on a full disk fails, says nothing was written, and
// leaves none of an earlier comparison's files to pass for its own.
TEST_F(CompareTest, OutputsThatCannotBeWrittenFailAndLeaveNoEarlierComparison) {
    corvane::testing::TmpfsMount disk(16);
    if (!disk.available()) {
        GTEST_SKIP() << disk.error();
    }
    WriteFile(root_ / "obs.tsf", Temperatures([](int) { return "280"; }));
    const std::string a = Run("a", {{"prd.tsf", "../obs.tsf"}});
    const std::string b = Run("b", {{"prd.tsf", "../obs.tsf"}});
    WriteFile(root_ / "a/prd.tsf", Temperatures([](int) { return "281"; }));
    WriteFile(root_ / "b/prd.tsf", Temperatures([](int) { return "282"; }));
    const std::vector<std::string> names = {"cmp_Comparison.csv", "cmp_comparison.html",
                                            "cmp_comparison.lst"};
    for (const std::string& name : names) {
        WriteFile(disk.path() + "/" + name, "an earlier comparison\n");
    }
    std::ofstream(disk.path() + "/filler") << std::string(64 * 1024, 'x');  // the rest of it
    const Outcome o = Compare({a, b}, 2, disk.path());
    EXPECT_EQ(o.status, kNothingEvaluated);
    EXPECT_NE(o.err.find("No space left on device"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("nothing was written"), std::string::npos) << o.err;
    EXPECT_EQ(o.out.find("compared"), std::string::npos) << o.out;
    for (const std::string& name : names) {
        EXPECT_FALSE(std::filesystem::exists(disk.path() + "/" + name)) << name;
    }
}

}  // namespace
}  // namespace corvane::wxcheck
