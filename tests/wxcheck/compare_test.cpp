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
            if (cells.size() == 13 && cells[0] == run && cells[2] == station &&
                cells[3] == section && cells[4] == quantity && cells[5] == statistic) {
                return cells[6] + " " + cells[9] + " " + cells[12];
            }
        }
        return "<no row>";
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

// A run against itself differs by nothing; without an interval no cell is called better
// or worse, and the outputs are the same bytes for any thread count.
TEST_F(CompareTest, ARunAgainstItselfDiffersByNothingOnAnyThreadCount) {
    std::vector<std::pair<std::string, std::string>> stations;
    for (int s = 0; s < 5; ++s) {
        const std::string n = std::to_string(s);
        stations.push_back({"p" + n + ".tsf", "o" + n + ".tsf"});
    }
    const std::string a = Run("a", stations);
    for (int s = 0; s < 5; ++s) {
        const std::string n = std::to_string(s);
        WriteFile(root_ / ("a/o" + n + ".tsf"),
                  Temperatures([&](int h) { return std::to_string(270 + (h * 7 + s) % 11); }));
        WriteFile(root_ / ("a/p" + n + ".tsf"),
                  Temperatures([&](int h) { return std::to_string(271 + (h * 5 + s) % 13); }));
    }
    ASSERT_EQ(Compare({a, a, a}, 1).status, kAllEvaluated);
    const std::string csv = ReadFile(root_ / "out/cmp_Comparison.csv");
    EXPECT_EQ(csv.find("better"), std::string::npos);
    EXPECT_EQ(csv.find("worse"), std::string::npos);
    for (const std::string statistic : {"bias", "rmse", "ioa", "r"}) {
        const std::string value = Cell("1", "all stations", "temperature", statistic);
        EXPECT_EQ(Cell("3", "all stations", "temperature", statistic),
                  value.substr(0, value.find(' ')) + " 0.0000 no interval");
    }
    const std::string html = ReadFile(root_ / "out/cmp_comparison.html");
    const std::string list = ReadFile(root_ / "out/cmp_comparison.lst");
    ASSERT_EQ(Compare({a, a, a}, 4, "out4").status, kAllEvaluated);
    EXPECT_EQ(ReadFile(root_ / "out4/cmp_Comparison.csv"), csv);
    EXPECT_EQ(ReadFile(root_ / "out4/cmp_comparison.html"), html);
    EXPECT_EQ(ReadFile(root_ / "out4/cmp_comparison.lst"), list);
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
