// The evaluation report: the summary's counts worked by hand, date ticks, the verdict's count,
// and whole runs whose report must parse and escape (report_page_test reads each section back).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>

#include "engine_fixture.h"
#include "report/evaluation_report.h"
#include "report/report_charts.h"
#include "report/report_summary.h"
#include "support/page_reader.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using testing::Record;

struct Hour {
    double speedObserved, speedPredicted, directionObserved, directionPredicted;
};

// An evaluated station with wind pairs only; its statistics are left for the test to set.
StationResult WindStation(int number, const std::vector<Hour>& hours) {
    StationResult s;
    s.number = number;
    s.evaluated = true;
    s.evaluates[kSpeed] = s.evaluates[kDirection] = true;
    s.groups.resize(1);
    s.partials.resize(1);
    for (std::size_t i = 0; i < hours.size(); ++i) {
        KeptPair pair;
        pair.hour = static_cast<std::int32_t>(i);
        pair.Set(kSpeed, hours[i].speedObserved, hours[i].speedPredicted);
        pair.Set(kDirection, hours[i].directionObserved, hours[i].directionPredicted);
        pair.SetUnused(kTemperature);
        pair.SetUnused(kHumidity);
        s.kept.push_back(pair);
    }
    return s;
}

ControlSettings Settings(double calm = 1.0) {
    ControlSettings settings;
    settings.calmThreshold = calm;
    return settings;
}

ReportSummary Summarise(const std::vector<StationResult>& stations, PooledResults pooled = {}) {
    ReportSummary summary(Settings());
    for (const StationResult& s : stations) {
        summary.AddStation(s);
    }
    summary.Finish(stations, pooled, 2);
    return summary;
}

// The text between `before` and `after`, searching from `from`; empty when there is none.
std::string Between(const std::string& text, const std::string& before, const std::string& after,
                    std::size_t from = 0) {
    const std::size_t start = text.find(before, from);
    const std::size_t end =
        start == std::string::npos ? start : text.find(after, start + before.size());
    return end == std::string::npos
               ? std::string()
               : text.substr(start + before.size(), end - start - before.size());
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double Attribute(const std::string& text, std::size_t at, const std::string& name) {
    const std::string value = Between(text, " " + name + "=\"", "\"", at);
    return value.empty() ? kNaN : std::stod(value);
}

TEST(ReportSummary, RoseSectorsCentreOnNorthAndCalmHoursGoToTheCentre) {
    const ReportSummary summary =
        Summarise({WindStation(1, {{0.5, 3, 10, 90},  // observed calm, at the threshold below
                                   {1.0, 3, 200, 90},
                                   {3, 3, 359, 90},
                                   {3, 3, 0, 90},
                                   {4, 3, 11.25, 90},  // 4 m/s: the top of the 2-4 class
                                   {9, 1.5, 180, 90}})});
    const RoseCounts& o = summary.observedRose;
    EXPECT_EQ(o.hours, 6);
    EXPECT_EQ(o.calm, 2);
    EXPECT_EQ(o.counts[1][0], 2);                      // 2-4 m/s, north: 359 and 0 degrees
    EXPECT_EQ(o.counts[1][1], 1);                      // NNE from 11.25 degrees
    EXPECT_EQ(o.counts[4][8], 1);                      // above 8 m/s, south
    EXPECT_EQ(summary.predictedRose.counts[1][4], 5);  // east
    EXPECT_EQ(summary.predictedRose.counts[0][4], 1);  // the lowest class starts above calm
    EXPECT_NEAR(RoseData(o).calmPercent, 100.0 / 3, 1e-12);
    EXPECT_NEAR(RoseData(o).percent[1][0], 100.0 / 3, 1e-12);
}

TEST(ReportSummary, AScatterOfMoreThanFiveThousandPairsBecomesAHistogram) {
    std::vector<StationResult> stations;
    for (int s = 0; s < 2; ++s) {
        stations.push_back(WindStation(s + 1, std::vector<Hour>(2500, {3, 4, 90, 90})));
    }
    for (const std::int64_t pairs : {5000, 5001}) {
        if (pairs == 5001) {
            stations.push_back(WindStation(3, {{20, 1, 90, 90}}));
        }
        const ReportSummary summary = Summarise(stations);
        const ScatterSummary& scatter = summary.scatter[kScalarSpeed];
        EXPECT_EQ(scatter.Histogram(), pairs > 5000);
        EXPECT_EQ(scatter.observed.size(), pairs > 5000 ? 0u : 5000u);
        EXPECT_EQ(std::accumulate(scatter.grid.counts.begin(), scatter.grid.counts.end(),
                                  std::int64_t{0}),
                  pairs > 5000 ? pairs : 0);
        EXPECT_TRUE(pairs == 5000 || (scatter.grid.xLo <= 1 && scatter.grid.xHi >= 20));
    }
}

// Speeds written to 0.1 m/s over 0 to 7.3: a cell of 8/60 m/s would hold one or two of
// the values' steps by turns and paint stripes; cells of two steps hold two each.
TEST(ReportSummary, HistogramCellsAreWholeStepsOfTheRecordedData) {
    std::vector<Hour> hours;
    for (int repeat = 0; repeat < 80; ++repeat) {
        for (int k = 0; k <= 73; ++k) {
            hours.push_back({k / 10.0, (73 - k) / 10.0 + 0.00005 * (k % 3), 90, 90});
        }
    }
    const ReportSummary summary = Summarise({WindStation(1, hours)});
    const chart::HistogramGrid& grid = summary.scatter[kScalarSpeed].grid;
    ASSERT_EQ(grid.columns, 40);
    EXPECT_EQ(grid.xLo, 0);
    EXPECT_NEAR(grid.xHi, 8, 1e-12);
    std::vector<std::uint32_t> columns(40, 0);
    for (std::size_t c = 0; c < grid.counts.size(); ++c) {
        columns[c % 40] += grid.counts[c];
    }
    for (std::size_t c = 0; c < 40; ++c) {
        EXPECT_EQ(columns[c], c <= 36 ? 160u : 0u) << "column " << c;
    }
    // The predictions lie off the tenths: the rows keep the finest cells.
    EXPECT_EQ(grid.rows, 60);
    EXPECT_NEAR(ChooseHistogramCells(15, 0.1, 60).width, 0.3, 1e-12);
    EXPECT_EQ(ChooseHistogramCells(15, 0.1, 60).count, 50);
    EXPECT_EQ(ChooseHistogramCells(20, 1, 60).count, 20);  // whole numbers: cells of 1
}

TEST(ReportSummary, OnlyTheRunsHumidityVariableIsPooled) {
    std::vector<StationResult> stations;
    for (const HumidityKind kind : {HumidityKind::Relative, HumidityKind::MixingRatio}) {
        StationResult& s = stations.emplace_back(WindStation(1, {{3, 3, 90, 90}, {3, 3, 90, 90}}));
        s.humidity = kind;
        for (KeptPair& pair : s.kept) {
            pair.Set(kHumidity, kind == HumidityKind::Relative ? 80 : 5, 6);
        }
    }
    PooledResults pooled;
    pooled.humidity = HumidityKind::MixingRatio;
    const ReportSummary summary = Summarise(stations, pooled);
    EXPECT_EQ(summary.scatter[kScalarHumidity].pairs, 2);
    EXPECT_EQ(summary.scatter[kScalarHumidity].extent.hi, 6);
}

TEST(ReportCharts, DateTicksFallOnMonthsOverAYearAndOnDaysOverAMonth) {
    const auto ticks = [](int dayCount) {
        ReportSummary summary(Settings());
        for (int d = 0; d < dayCount; ++d) {
            summary.AddDay((39448 + d) * kSecondsPerDay, GroupResult());  // from 1 January 2008
        }
        const std::string svg = DailyChart(summary, ReportQuantity::kSpeed);
        std::string labels;
        const std::string tick = "text-anchor=\"middle\">";
        const std::size_t axisEnd = svg.find("</g>");  // the tick labels come first
        for (std::size_t at = svg.find(tick); at < axisEnd; at = svg.find(tick, at + 1)) {
            const std::string label = Between(svg, tick, "<", at);
            if (std::isupper(static_cast<unsigned char>(label[0]))) {  // months, not values
                labels += (labels.empty() ? "" : ", ") + label;
            }
        }
        return labels;
    };
    EXPECT_EQ(ticks(366), "Jan 2008, Mar, May, Jul, Sep, Nov");
    EXPECT_EQ(ticks(1096), "Jan 2008, Jul, Jan 2009, Jul, Jan 2010, Jul");
    EXPECT_EQ(ticks(31), "Jan 01, Jan 06, Jan 11, Jan 16, Jan 21, Jan 26, Jan 31");
}

StationResult SpeedStation(int number, double bias, double rmse) {
    StationResult s = WindStation(number, {{3, 3, 90, 90}});
    s.groups[0].scalar[kScalarSpeed].n = 1;
    s.groups[0].scalar[kScalarSpeed].bias = bias;
    s.groups[0].scalar[kScalarSpeed].rmse = rmse;
    return s;
}

// A lone station under the pooled value stays in sight; in a crowd, those furthest outside
// the box keep their numbers, and the table beside the plots names them worst first.
TEST(ReportCharts, StationsStayFindableUnderTheAllMarkerAndInACrowd) {
    ReportSummary lone(Settings());
    lone.AddStation(SpeedStation(1, 0.02, 0.9));
    lone.all = lone.Stations()[0].whole;
    const std::string one = SoccerPlot(lone, ReportQuantity::kSpeed);
    const std::size_t all = one.find("<title>All stations");
    ASSERT_NE(all, std::string::npos);
    EXPECT_NE(one.rfind("<g fill=\"none\" stroke=\"#D55E00\"", all), std::string::npos);
    EXPECT_LT(one.find("<title>Station 1 "), all);
    EXPECT_NE(one.find(">1</text>"), std::string::npos);
    // Zoomed to the markers: the box of 0.5 m/s would put them within 2% of the width.
    EXPECT_GT(corvane::testing::AxisScale(corvane::testing::ReadPage(one), true).Value(0), -0.5);

    ReportSummary crowd(Settings());
    for (int n = 1; n <= 39; ++n) {
        crowd.AddStation(SpeedStation(n, 0.8, 1.0));
    }
    crowd.AddStation(SpeedStation(40, 0.8005, 1.0));  // the furthest, last in the crowd
    crowd.AddStation(SpeedStation(41, 0.0, 1.0));     // inside, far off: the crowd stays one
    const std::string many = SoccerPlot(crowd, ReportQuantity::kSpeed);
    EXPECT_NE(many.find(">40</text>"), std::string::npos);
    crowd.all = crowd.Stations()[0].whole;
    const std::string report = BuildEvaluationReport(Settings(), crowd, RunNotes());
    const std::string table = Between(report, "<table class=\"furthest\">", "</table>");
    EXPECT_NE(report.find("10 of the 40 outside some box"), std::string::npos);
    EXPECT_LT(table.find("<td class=\"n\">40</td>"), table.find("<td class=\"n\">1</td>"));
    EXPECT_NE(table.find("1.60 \u2717"), std::string::npos);  // 0.8005 over 0.5
    EXPECT_EQ(table.find("<td class=\"n\">11</td>"), std::string::npos);
}

// The verdict counts only what can be judged, and a station's value that misses its
// benchmark is marked in the station tables.
TEST(ReportCharts, TheVerdictCountsWhatCanBeJudgedAndMarksWhatMisses) {
    ReportSummary summary(Settings());
    StationResult s = WindStation(1, {{3, 3, 90, 90}});
    ScalarStats& speed = s.groups[0].scalar[kScalarSpeed];
    speed.n = 1;
    speed.bias = 0.8;
    speed.rmse = 1;
    summary.AddStation(s);
    summary.Finish({}, PooledResults(), 1);
    summary.all = s.groups[0];
    summary.humidity = HumidityKind::Relative;
    const std::string report = BuildEvaluationReport(Settings(), summary, RunNotes());
    EXPECT_NE(report.find("<strong>1 of 2 met</strong> (9 not applicable)."), std::string::npos);
    EXPECT_NE(report.find("<td class=\"n out\">0.8000 \u2717</td><td class=\"n\">1.0000</td>"),
              std::string::npos);
}

// A station of wind only whose every hour is calm, under a threshold of 0.9999 m/s.
TEST(ReportPage, QuantitiesTheRunLacksAreLeftOutAndEmptyChartsSayWhy) {
    ControlSettings settings = Settings(0.9999);
    settings.calmText = "0.9999";
    ReportSummary summary(settings);
    StationResult s = WindStation(1, std::vector<Hour>(30, {0.5, 0.4, 90, 270}));
    s.used = s.calm = 30;
    ScalarStats& speed = s.groups[0].scalar[kScalarSpeed];
    speed.n = 30;
    speed.bias = -0.1;
    speed.rmse = 0.1;  // both series without spread: no IOA, no R
    summary.AddStation(s);
    summary.Finish({s}, PooledResults(), 1);
    summary.all = s.groups[0];
    const std::string report = BuildEvaluationReport(settings, summary, RunNotes());
    EXPECT_NE(report.find("temperature, humidity: no evaluated station has them in both files"),
              std::string::npos);
    EXPECT_EQ(report.find("<title>Temperature"), std::string::npos);
    EXPECT_EQ(report.find("<title>Humidity"), std::string::npos);
    EXPECT_EQ(report.find("<h3>Temperature"), std::string::npos);
    EXPECT_NE(report.find("<title>Wind direction</title>"), std::string::npos);
    // n/a with its reason, and a rose that reads sensibly: no rings of 0.2e-9 percent.
    EXPECT_NE(report.find("<td class=\"n na\">n/a <span class=\"why\">(every hour calm)</span>"),
              std::string::npos);
    EXPECT_NE(report.find("<td class=\"n na\">n/a <span class=\"why\">(no spread)</span>"),
              std::string::npos);
    EXPECT_NE(report.find(">every hour calm<"), std::string::npos);
    EXPECT_EQ(report.find("e-9%"), std::string::npos);
    EXPECT_NE(report.find(">0.9999\u20132 m/s<"), std::string::npos);
    EXPECT_NE(report.find(">above 8 m/s<"), std::string::npos);
}

// Whole runs: two stations over two days.
class ReportRun : public ::testing::Test {
protected:
    // Hostile names: markup, an ampersand and a byte that is not UTF-8.
    const std::string predicted_ = "a<b>&\"x\xFF.tsf";
    const std::string observed_ = "obs.tsf";

    void SetUp() override {
        std::string prd, obs;
        for (int day = 1; day <= 2; ++day) {
            for (int hour = 1; hour <= 24; ++hour) {
                const double w = 2 + (hour % 7);
                prd += Record(day, hour,
                              std::to_string(w + 0.5) + " " + std::to_string(hour * 15) + " 280 5");
                obs += Record(day, hour,
                              std::to_string(w) + " " + std::to_string(hour * 14) + " 281 4");
            }
        }
        const std::vector<std::string> met = {"WSPEED", "WDIR", "TEMP", "MIXR"};
        WriteFile(folder_ / predicted_, TsfText(met, prd));
        WriteFile(folder_ / observed_, TsfText(met, obs));
        WriteFile(folder_ / "b.tsf", TsfText(met, prd));
        WriteFile(folder_ / "run_WXCHECK.TSF.STN",
                  StationText({{predicted_, observed_}, {"b.tsf", observed_}}));
    }

    int Run(bool report = true) {
        ControlOptions o;
        o.folder = folder_.path();
        o.end = "20080103000000";
        o.title = "<script>alert(1)</script> & 'more'";
        WriteFile(folder_ / "wxcheck.inp", ControlText(o));
        std::ostringstream out, err;
        EngineOptions options;
        options.controlPath = folder_ / "wxcheck.inp";
        options.report = report;
        return RunEngine(options, out, err);
    }

    ScratchFolder folder_;
};

// Parses every file as XML with libxml2's checker; the messages when one fails.
std::string XmlErrors(const std::vector<std::string>& paths) {
    std::string command = "xmllint --noout";
    for (const std::string& p : paths) {
        command += " '" + p + "'";
    }
    const std::string log = paths.front() + ".xmllint";
    const int status = std::system((command + " 2>'" + log + "'").c_str());
    const std::string messages = ReadFile(log);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0
               ? ""
               : "status " + std::to_string(status) + ": " + messages;
}

TEST_F(ReportRun, TheReportAndEverySvgInItParseAsXmlWithAllSectionsInOrder) {
    ASSERT_EQ(Run(), kAllEvaluated);
    const std::string report = ReadFile(folder_ / "run_report.html");
    std::size_t at = 0;
    for (const char* id : {"top", "verdict", "soccer", "taylor", "daily", "diurnal", "scatter",
                           "roses", "stations", "messages"}) {
        const std::size_t next = report.find(std::string("id=\"") + id + "\"");
        ASSERT_NE(next, std::string::npos) << id;
        EXPECT_GT(next, at) << id << " out of order";
        at = next;
    }
    std::vector<std::string> files = {folder_ / "run_report.html"};
    for (std::size_t at = report.find("<svg"); at != std::string::npos;
         at = report.find("<svg", at + 1)) {
        files.push_back(folder_ / ("chart" + std::to_string(files.size()) + ".svg"));
        WriteFile(files.back(), report.substr(at, report.find("</svg>", at) + 6 - at));
    }
    EXPECT_EQ(files.size(), 1u + 4 + 3 + 4 + 6 + 3 + 2);
    EXPECT_EQ(XmlErrors(files), "");
    EXPECT_EQ(report.find("script>"), std::string::npos);
    EXPECT_EQ(report.find(predicted_), std::string::npos);
    EXPECT_NE(report.find("<h1>&lt;script&gt;alert(1)&lt;/script&gt; &amp; &#39;more&#39;</h1>"),
              std::string::npos);
    EXPECT_NE(report.find("a&lt;b&gt;&amp;&quot;x\xEF\xBF\xBD.tsf"), std::string::npos);
    EXPECT_NE(ReadFile(folder_ / "run_wxcheck.lst").find(folder_ / "run_report.html"),
              std::string::npos);
}

// The <svg> elements between two section ids.
std::vector<std::string> SectionCharts(const std::string& report, const std::string& section,
                                       const std::string& next) {
    std::vector<std::string> charts;
    const std::size_t end = report.find("id=\"" + next + "\"");
    for (std::size_t at = report.find("<svg", report.find("id=\"" + section + "\"")); at < end;
         at = report.find("<svg", at + 1)) {
        charts.push_back(report.substr(at, report.find("</svg>", at) - at));
    }
    return charts;
}

TEST_F(ReportRun, StackedChartsLineUpScatterAxesMatchAndRmsArcsAreLabelledOffTheAxes) {
    ASSERT_EQ(Run(), kAllEvaluated);
    const std::string report = ReadFile(folder_ / "run_report.html");
    // The plot frame is the first outline in the axis colour.
    const auto frameLeft = [](const std::string& svg) {
        return Attribute(svg, svg.rfind("<rect", svg.find("fill=\"none\" stroke=\"#555555\"")),
                         "x");
    };
    const std::vector<std::string> daily = SectionCharts(report, "daily", "diurnal");
    ASSERT_EQ(daily.size(), 4u);
    for (const std::string& svg : daily) {
        EXPECT_EQ(frameLeft(svg), frameLeft(daily[0]));  // m/s, degrees, kelvin and g/kg alike
    }
    const std::vector<std::string> diurnal = SectionCharts(report, "diurnal", "scatter");
    ASSERT_EQ(diurnal.size(), 6u);
    for (std::size_t i = 2; i < diurnal.size(); ++i) {
        EXPECT_EQ(frameLeft(diurnal[i]), frameLeft(diurnal[i % 2])) << i;
    }
    for (const std::string& svg : SectionCharts(report, "scatter", "roses")) {
        std::vector<std::string> labels[2];
        const std::size_t axisEnd = svg.find("</g>");
        for (int horizontal = 0; horizontal < 2; ++horizontal) {
            const std::string anchor =
                horizontal ? "\" text-anchor=\"middle\">" : "\" text-anchor=\"end\">";
            for (std::size_t at = svg.find(anchor); at < axisEnd; at = svg.find(anchor, at + 1)) {
                labels[horizontal].push_back(Between(svg, anchor, "<", at));
            }
        }
        EXPECT_EQ(labels[0], labels[1]);
    }
    for (const std::string& svg : SectionCharts(report, "taylor", "daily")) {
        // The origin's label, the first on the axis: "0.0" or "0.00" by the tick step.
        const std::size_t zero = svg.find("text-anchor=\"middle\">0.0");
        ASSERT_NE(zero, std::string::npos);
        const double axis = Attribute(svg, svg.rfind("<text", zero), "y") - 16;
        const std::string group = "<g font-size=\"11\" fill=\"#009E73\"";
        const std::size_t rms = svg.find(group);
        ASSERT_NE(rms, std::string::npos);
        const std::size_t end = svg.find("</g>", rms);
        int labels = 0;
        for (std::size_t at = svg.find("<text", rms); at < end; at = svg.find("<text", at + 1)) {
            EXPECT_LT(Attribute(svg, at, "y"), axis - 6) << "a centred RMS label on the axis";
            ++labels;
        }
        EXPECT_GE(labels, 3);
    }
}

// The pages of a PDF as text, one entry a page; empty when it cannot be printed.
std::vector<std::string> PrintedPages(const std::string& html, const std::string& folder) {
    const std::string pdf = folder + "printed.pdf";
    const std::string text = folder + "printed.txt";
    const std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic "
        "--no-first-run --disable-background-networking --disable-component-update "
        "--disable-sync --no-pdf-header-footer --user-data-dir='" +
        folder + "chromium' --print-to-pdf='" + pdf + "' 'file://" + html +
        "' >/dev/null 2>&1 && pdftotext -layout '" + pdf + "' '" + text + "' 2>/dev/null";
    std::vector<std::string> pages;
    if (std::system(command.c_str()) != 0) {
        return pages;
    }
    const std::string all = ReadFile(text);
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find('\f', at), all.size());
        pages.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    return pages;
}

// The page that holds `line` as a line of its own (not inside the table of contents).
int PageOfLine(const std::vector<std::string>& pages, const std::string& line) {
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::size_t at = 0;
        while ((at = pages[p].find(line, at)) != std::string::npos) {
            const std::size_t start = pages[p].rfind('\n', at) + 1;
            const std::size_t end = pages[p].find('\n', at);
            const std::string whole = pages[p].substr(start, end - start);
            if (whole.find_first_not_of(' ') == whole.find(line) &&
                whole.find_last_not_of(' ') + 1 == whole.find(line) + line.size()) {
                return static_cast<int>(p);
            }
            at += line.size();
        }
    }
    return -1;
}

// Printed on Letter (the printer's default here) and on A4, every section heading shares
// its page with the caption of the section's first figure.
TEST_F(ReportRun, PrintedHeadingsStayWithTheirFirstFigure) {
    if (std::system("command -v chromium >/dev/null && command -v pdftotext >/dev/null") != 0) {
        GTEST_SKIP() << "chromium or pdftotext is not installed";
    }
    ASSERT_EQ(Run(), kAllEvaluated);
    const std::string letter = ReadFile(folder_ / "run_report.html");
    std::string a4 = letter;
    a4.insert(a4.find("</style>"), "@page{size:A4}");
    WriteFile(folder_ / "a4.html", a4);
    for (const std::string& file : {std::string("run_report.html"), std::string("a4.html")}) {
        SCOPED_TRACE(file);
        const std::vector<std::string> pages = PrintedPages(folder_ / file, folder_.path());
        ASSERT_GT(pages.size(), 3u);
        for (const auto& [heading, caption] :
             {std::pair{"Bias and error against the benchmarks", "Wind speed: bias against RMSE."},
              {"Taylor diagrams", "Temperature."},
              {"Daily means", "Wind speed: observed (solid) and predicted (dashed)."},
              {"Diurnal cycle", "Wind speed: observed and predicted means."},
              {"Predicted against observed", "Wind speed: 96 pairs."},
              {"Wind roses", "Predicted."}}) {
            const int page = PageOfLine(pages, heading);
            ASSERT_GE(page, 0) << heading;
            EXPECT_NE(pages[static_cast<std::size_t>(page)].find(caption), std::string::npos)
                << heading << " is on page " << page + 1 << " without its first figure";
        }
    }
}

TEST_F(ReportRun, NoReportWhenAskedOrWhenNothingWasEvaluated) {
    ASSERT_EQ(Run(false), kAllEvaluated);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "run_report.html"));
    EXPECT_NE(ReadFile(folder_ / "run_wxcheck.lst").find("none (--no-report)"), std::string::npos);

    // A report of an earlier run must not pass for that of a run without results.
    WriteFile(folder_ / "run_report.html", "earlier");
    WriteFile(folder_ / "run_WXCHECK.TSF.STN", StationText({{"missing.tsf", observed_}}));
    ASSERT_EQ(Run(), kNothingEvaluated);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "run_report.html"));
}

}  // namespace
}  // namespace corvane::wxcheck
