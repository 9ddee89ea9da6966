// The written report read back as a reader sees it. Three stations over four days (the third
// without data) with known biases and a known diurnal shape; station 3 has no humidity and
// two site texts. Each section's marks (through the axes' tick labels), tooltips and cells
// are compared with values worked out here from the pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>

#include "engine_fixture.h"
#include "support/page_reader.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using namespace corvane::testing;

// Bias and error (RMSE for wind speed) at most, IOA at least.
constexpr double kLimits[4][3] = {{0.5, 2, 0.6}, {10, 30, NAN}, {0.5, 2, 0.8}, {1, 2, 0.6}};

struct Hour {
    int index;       // the end stamp in hours after 1 January 2008 00:00, less one
    double v[4][2];  // observed, predicted; temperature in K
};

struct PageRun {
    ScratchFolder folder;
    std::vector<Hour> hours[3];
    std::string list;
    Element page;

    PageRun() {
        std::vector<std::pair<std::string, std::string>> files;
        for (int s = 0; s < 3; ++s) {
            const double shift[3] = {0, 1, -1};
            for (int i = 0; i < 96; ++i) {
                const int h = (i + 1) % 24;
                const double wobble = ((i * 7) % 5 - 2) * 0.2;
                const double ws = s == 0 && h == 3 ? 0.5 : 1 + 0.35 * h + 0.5 * s;
                const double t = 278.15 + 4 * std::sin(2 * std::numbers::pi * (h - 9) / 24) + s;
                const double q = 6 + std::sin(2 * std::numbers::pi * h / 24) + 0.5 * s;
                const double turn = s == 0 ? 5 : s == 1 ? (i % 2 ? 20 : -20) : 15;
                if (i / 24 != 2) {  // 3 January: no records at all
                    hours[s].push_back(
                        {i,
                         {{ws, 1.1 * ws + 0.3 + wobble + 0.5 * shift[s]},
                          {h < 12 ? 270.0 : 90.0, (h < 12 ? 270 : 90) + turn},
                          {t, 0.8 * (t - 273.15) + 274.75 + 1.5 * wobble + 0.5 * shift[s]},
                          {s == 2 ? NAN : q, s == 2 ? NAN : q + 0.8 + 0.5 * wobble + 0.5 * s}}});
                }
            }
            const std::string n = std::to_string(s + 1);
            for (const int side : {1, 0}) {
                std::string records;
                for (const Hour& x : hours[s]) {
                    char values[160];
                    std::snprintf(values, sizeof values, "%.17g %.17g %.17g %.17g", x.v[kWs][side],
                                  x.v[kWd][side], x.v[kT][side] - 273.15, x.v[kQ][side]);
                    records += Record(x.index / 24 + 1, x.index % 24 + 1, values);
                }
                std::vector<std::string> names = {"WSPEED m/s", "WDIR deg", "TEMP C"};
                names.push_back(s < 2 ? "MIXR g/kg" : "OTHER");
                WriteFile(folder / ("st" + n + (side ? "_prd.tsf" : "_obs.tsf")),
                          TsfText(names, records, "UTC+0000",
                                  s < 2  ? ""
                                  : side ? "Harbour"
                                         : "Harbour pier"));
            }
            files.emplace_back("st" + n + "_prd.tsf", "st" + n + "_obs.tsf");
        }
        WriteFile(folder / "run_WXCHECK.TSF.STN", StationText(files));
        ControlOptions o;
        o.folder = folder.path();
        o.end = "20080105000000";
        o.title = "Harbour & hills";
        WriteFile(folder / "wxcheck.inp", ControlText(o));
        EngineOptions options;
        options.controlPath = folder / "wxcheck.inp";
        std::ostringstream out, err;
        EXPECT_EQ(RunEngine(options, out, err), kAllEvaluated) << err.str();
        list = ReadFile(folder / "run_wxcheck.lst");
        page = ReadPage(ReadFile(folder / "run_report.html"));
    }

    // The pairs of q that `take` accepts, pooled as the engine pools them: direction only
    // where both speeds are above the calm threshold.
    Pairs Of(Quantity q, const std::function<bool(int, const Hour&)>& take = {}) const {
        Pairs out;
        for (int s = 0; s < 3; ++s) {
            for (const Hour& h : hours[s]) {
                const bool calm = h.v[kWs][0] <= kCalm || h.v[kWs][1] <= kCalm;
                if (!std::isnan(h.v[q][0]) && (q != kWd || !calm) && (!take || take(s, h))) {
                    out.emplace_back(h.v[q][0], h.v[q][1]);
                }
            }
        }
        return out;
    }
    Pairs Station(Quantity q, int station) const {
        return Of(q, [&](int s, const Hour&) { return s == station; });
    }

    const Element& Chart(const std::string& section, const std::string& title) const {
        for (const Element* svg : page.WithId(section)->Named("svg")) {
            if (svg->Title() == title) {
                return *svg;
            }
        }
        ADD_FAILURE() << "no chart " << title << " in " << section;
        return page;
    }
};

const PageRun& TheRun() {
    static const PageRun run;
    return run;
}

void ExpectCell(const Cells& t, std::size_t row, const std::string& column, double value,
                bool out) {
    const std::string cell = t.At(row, column);
    EXPECT_NEAR(std::strtod(cell.c_str(), nullptr), value, 6e-5) << column << " " << row;
    EXPECT_EQ(cell.find("\u2717") != std::string::npos, out) << column << " " << row;
}

TEST(ReportPage, HeaderAndMessagesSayWhatRanAndWhatWasOdd) {
    const PageRun& run = TheRun();
    EXPECT_EQ(run.page.Named("h1").at(0)->AllText(), "Harbour & hills");
    std::map<std::string, std::string> fact;
    for (const auto& row : ReadTable(*run.page.WithId("top")->Named("table").at(0)).rows) {
        fact[row.at(0)] = row.at(1);
    }
    EXPECT_EQ(fact["Stations"], "3 of 3 evaluated");
    EXPECT_EQ(fact["Calm threshold"], "0.9999 m/s");
    EXPECT_TRUE(fact["Humidity"].ends_with(", 2 station(s)")) << fact["Humidity"];
    for (const Element* link : run.page.WithId("top")->Named("a")) {
        EXPECT_NE(run.page.WithId(link->Attribute("href").substr(1)), nullptr);
    }
    // Station 3's two site texts, worded as in the list file.
    const auto warnings = run.page.WithId("messages")->Named("li");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(warnings[0]->AllText().starts_with("station 3: ")) << warnings[0]->AllText();
    EXPECT_NE(run.list.find(warnings[0]->AllText()), std::string::npos);
}

TEST(ReportPage, VerdictJudgesThePooledValuesAgainstTheirOwnBenchmarks) {
    const PageRun& run = TheRun();
    const Cells t = ReadTable(*run.page.WithId("verdict")->Named("table").at(0));
    ASSERT_EQ(t.rows.size(), 11u);
    int met = 0;
    for (std::size_t row = 0; row < t.rows.size(); ++row) {
        const auto q =
            static_cast<Quantity>(std::find(kCharts, kCharts + 4, t.At(row, "Quantity")) - kCharts);
        ASSERT_LT(q, 4) << t.At(row, "Quantity");
        const std::string statistic = t.At(row, "Statistic");
        const Stats s = StatsOf(run.Of(q), q == kWd);
        const int k = statistic == "Bias" ? 0 : statistic == "IOA" ? 2 : 1;
        const double value = k == 0 ? s.bias : k == 2 ? s.ioa : s.Error(q);
        const bool pass = k == 0   ? std::fabs(value) <= kLimits[q][0]
                          : k == 2 ? value >= kLimits[q][2]
                                   : value <= kLimits[q][1];
        ExpectCell(t, row, "Value", value, false);
        EXPECT_EQ(t.At(row, "Result"), pass ? "\u2713 pass" : "\u2717 fail") << row;
        met += pass ? 1 : 0;
    }
    EXPECT_NE(run.page.WithId("verdict")->AllText().find(std::to_string(met) + " of 11 met"),
              std::string::npos);
}

TEST(ReportPage, SoccerMarkersSitAtEachStationsBiasAndErrorAgainstTheBox) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        const Element& svg = run.Chart("soccer", kCharts[q]);
        const Scale x = AxisScale(svg, true), y = AxisScale(svg, false);
        for (int s = -1; s < 3; ++s) {
            const std::string who = s < 0 ? "All stations" : "Station " + std::to_string(s + 1);
            const auto markers = Titled(svg, who + (s < 0 ? ":" : " ("));
            ASSERT_EQ(markers.size(), q == kQ && s == 2 ? 0u : 1u) << kCharts[q] << who;
            if (!markers.empty()) {
                const Stats st = StatsOf(s < 0 ? run.Of(q) : run.Station(q, s), q == kWd);
                ExpectDrawn(MarkerAt(markers[0], x, y).x, st.bias, x, kCharts[q] + who);
                ExpectDrawn(MarkerAt(markers[0], x, y).y, st.Error(q), y, kCharts[q] + who);
                const std::string n = std::to_string(s + 1);
                EXPECT_TRUE(s < 0 || markers[0]->Title().starts_with(
                                         who + " (st" + n + "_prd.tsf, st" + n + "_obs.tsf)"));
            }
        }
        // The box: |bias| and error within their limits, clipped at the plot area (the
        // first rectangle).
        const auto rects = svg.Named("rect");
        const Element* box = *std::find_if(rects.begin(), rects.end(), [](const Element* r) {
            return r->Attribute("stroke-dasharray") == "5 3";
        });
        const auto edges = [](const Element* r, const Scale& s, bool horizontal) {
            const double a = s.Value(r->Number(horizontal ? "x" : "y"));
            const double b = s.Value(r->Number(horizontal ? "x" : "y") +
                                     r->Number(horizontal ? "width" : "height"));
            return std::pair{std::min(a, b), std::max(a, b)};
        };
        const auto [left, right] = edges(rects[0], x, true);
        const auto [bottom, top] = edges(rects[0], y, false);
        ExpectDrawn(edges(box, x, true).first, std::max(left, -kLimits[q][0]), x, kCharts[q]);
        ExpectDrawn(edges(box, x, true).second, std::min(right, kLimits[q][0]), x, kCharts[q]);
        ExpectDrawn(edges(box, y, false).first, std::max(bottom, 0.0), y, kCharts[q]);
        ExpectDrawn(edges(box, y, false).second, std::min(top, kLimits[q][1]), y, kCharts[q]);
    }
}

TEST(ReportPage, TaylorMarkersGiveEachStationsSpreadRatioAndCorrelation) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& svg = run.Chart("taylor", kCharts[q]);
        const Scale x = AxisScale(svg, true), y = AxisScale(svg, false);
        for (int s = -1; s < 3; ++s) {
            const std::string who = s < 0 ? "All stations:" : "Station " + std::to_string(s + 1);
            const auto markers = Titled(svg, who);
            ASSERT_EQ(markers.size(), q == kQ && s == 2 ? 0u : 1u) << kCharts[q] << who;
            if (!markers.empty()) {
                const Stats st = StatsOf(s < 0 ? run.Of(q) : run.Station(q, s));
                const Point at = MarkerAt(markers[0], x, y);
                ExpectDrawn(at.x, st.ratio * st.r, x, kCharts[q] + who);
                ExpectDrawn(at.y, st.ratio * std::sqrt(1 - st.r * st.r), y, kCharts[q] + who);
            }
        }
    }
}

TEST(ReportPage, DailyLinesFollowThePooledDailyMeansAndBreakAtTheDayWithoutData) {
    const PageRun& run = TheRun();
    const auto day = [](const std::string& label) {  // "Jan 01" is day 0
        return label.starts_with("Jan ") ? std::stod(label.substr(4)) - 1 : NAN;
    };
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& svg = run.Chart("daily", kCharts[q]);
        const Scale x = AxisScale(svg, true, day), y = AxisScale(svg, false);
        for (const bool predicted : {false, true}) {
            const std::string what = kCharts[q] + (predicted ? " predicted" : " observed");
            const auto line = LineAt(SeriesPath(svg, predicted ? "Predicted" : "Observed"), x, y);
            ASSERT_EQ(line.size(), 2u) << what;  // 1 and 2 January, then 4 January alone
            ASSERT_EQ(line[0].size() + line[1].size(), 3u) << what;
            for (const auto& piece : line) {
                for (const Point& p : piece) {
                    const int d = static_cast<int>(std::lround(p.x));
                    const Stats st =
                        StatsOf(run.Of(q, [&](int, const Hour& h) { return h.index / 24 == d; }));
                    ExpectDrawn(p.x, d, x, what);
                    ExpectDrawn(p.y, predicted ? st.meanP : st.meanO, y, what);
                }
            }
        }
    }
}

TEST(ReportPage, DiurnalChartsGiveTheMeansAndTheBiasOfEachHour) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& means = run.Chart("diurnal", kCharts[q] + ": mean");
        const Element& bias = run.Chart("diurnal", kCharts[q] + ": bias");
        const Scale mx = AxisScale(means, true), my = AxisScale(means, false);
        const Scale bx = AxisScale(bias, true), by = AxisScale(bias, false);
        const auto observed = LineAt(SeriesPath(means, "Observed"), mx, my);
        const auto predicted = LineAt(SeriesPath(means, "Predicted"), mx, my);
        const auto biases = LineAt(SeriesPath(bias, "Bias (predicted - observed)"), bx, by);
        for (const auto* line : {&observed, &predicted, &biases}) {
            ASSERT_EQ(line->size(), 1u) << kCharts[q];
            ASSERT_EQ(line->at(0).size(), 24u) << kCharts[q];
        }
        for (int h = 0; h < 24; ++h) {
            const Stats st =
                StatsOf(run.Of(q, [&](int, const Hour& x) { return (x.index + 1) % 24 == h; }));
            const std::string what = kCharts[q] + " hour " + std::to_string(h);
            ExpectDrawn(observed[0][h].x, h, mx, what);
            ExpectDrawn(observed[0][h].y, st.meanO, my, what);
            ExpectDrawn(predicted[0][h].y, st.meanP, my, what);
            ExpectDrawn(biases[0][h].y, st.meanP - st.meanO, by, what);
        }
    }
}

TEST(ReportPage, ScatterShowsEveryPairWithTheOneToOneAndTheLeastSquaresLines) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& svg = run.Chart("scatter", kCharts[q]);
        const Scale x = AxisScale(svg, true), y = AxisScale(svg, false);
        const auto dots = svg.Find([](const Element& e) {
            return e.Attribute("stroke-linecap") == "round" &&
                   e.Attribute("d").find("h0") != std::string::npos;
        });
        ASSERT_EQ(dots.size(), 1u) << kCharts[q];
        const auto drawn = LineAt(dots[0], x, y);
        const Pairs pairs = run.Of(q);
        ASSERT_EQ(drawn.size(), pairs.size()) << kCharts[q];
        for (const auto& [o, p] : pairs) {
            EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(),
                                    [&](const auto& dot) {
                                        return std::fabs(dot[0].x - o) <= 0.26 * x.Resolution() &&
                                               std::fabs(dot[0].y - p) <= 0.26 * y.Resolution();
                                    }))
                << kCharts[q] << " " << o << " " << p;
        }
        const Stats st = StatsOf(pairs);
        char fit[96];
        std::snprintf(fit, sizeof fit, "Least squares: P = %.2f O %s%.2f", st.slope,
                      st.intercept < 0 ? "\u2212 " : "+ ", std::fabs(st.intercept));
        for (const auto& [name, slope, intercept] :
             {std::tuple{std::string("1:1"), 1.0, 0.0}, {fit, st.slope, st.intercept}}) {
            const auto line = LineAt(SeriesPath(svg, name), x, y);
            ASSERT_EQ(line.size(), 1u) << name;
            for (const Point& p : line[0]) {
                EXPECT_NEAR(p.y, intercept + slope * p.x,
                            0.3 * (y.Resolution() + std::fabs(slope) * x.Resolution()))
                    << name;
            }
        }
    }
}

TEST(ReportPage, RosesStackTheClassesOfEachSectorOnOneSharedScale) {
    const PageRun& run = TheRun();
    const std::string sectors[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                   "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    std::vector<std::string> outerRings;
    for (const int side : {0, 1}) {
        const std::string which = side ? "Predicted wind" : "Observed wind";
        const Element& svg = run.Chart("roses", which);
        // Percent of the hours with speed and direction, by sector, and the calm ones.
        std::map<std::string, double> expected;
        double calm = 0;
        const double share = 100.0 / static_cast<double>(run.Of(kWs).size());
        for (const auto& station : run.hours) {
            for (const Hour& h : station) {
                (h.v[kWs][side] <= kCalm
                     ? calm
                     : expected[sectors[static_cast<int>((h.v[kWd][side] + 11.25) / 22.5) % 16]]) +=
                    share;
            }
        }
        // The rings' radii against their labels give the petals' scale.
        const auto rings = svg.Find(
            [](const Element& e) { return e.name == "circle" && e.Attribute("fill") == "none"; });
        std::vector<const Element*> labels;
        for (const Element* g : svg.Named("g")) {
            labels = g->Attribute("paint-order") == "stroke" ? g->Named("text") : labels;
        }
        ASSERT_EQ(rings.size(), labels.size()) << which;
        std::vector<std::pair<double, double>> radii;
        for (std::size_t i = 0; i < rings.size(); ++i) {
            const std::string text = labels[i]->AllText();
            radii.emplace_back(rings[i]->Number("r"), NumberLabel(text.substr(0, text.size() - 1)));
        }
        const Scale percent = Fit(radii);
        outerRings.push_back(labels.back()->AllText());
        std::map<std::string, double> drawn;
        for (const Element* petal : Titled(svg, "")) {
            const std::string title = petal->Title();
            const std::vector<double> r = ReadPath(petal->Attribute("d")).at(0).radii;
            ASSERT_EQ(r.size(), 2u) << title;
            double& longest = drawn[title.substr(0, title.find(','))];
            longest = std::max(longest, percent.Value(r[0]));
            EXPECT_LE(r[0], radii.back().first + 0.05) << title;  // within the outer ring
        }
        ASSERT_EQ(drawn.size(), expected.size()) << which;
        for (const auto& [sector, value] : expected) {
            EXPECT_NEAR(drawn[sector], value, 0.1 * percent.Resolution()) << which << sector;
        }
        char centre[32];
        std::snprintf(centre, sizeof centre, "%.1f%%", calm);
        EXPECT_EQ(svg.Find([&](const Element& e) { return e.AllText() == centre; }).size(), 1u)
            << which << " " << centre;
    }
    EXPECT_EQ(outerRings[0], outerRings[1]);  // both roses on one scale
}

TEST(ReportPage, StationTablesListWhatEachStationEvaluatesAndMarkWhatMisses) {
    const PageRun& run = TheRun();
    const auto tables = run.page.WithId("stations")->Named("table");
    ASSERT_EQ(tables.size(), 6u);  // the files, one a quantity, then the intervals
    EXPECT_EQ(ReadTable(*tables[0]).At(2, "Observed file"), "st3_obs.tsf");
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        const Cells t = ReadTable(*tables[1 + q]);
        ASSERT_EQ(t.rows.size(), q == kQ ? 2u : 3u) << kCharts[q];  // station 3: no humidity
        for (std::size_t row = 0; row < t.rows.size(); ++row) {
            SCOPED_TRACE(kCharts[q] + " station " + t.At(row, "No"));
            const Stats st = StatsOf(run.Station(q, std::stoi(t.At(row, "No")) - 1), q == kWd);
            EXPECT_EQ(t.At(row, "N"), std::to_string(static_cast<int>(st.n)));
            ExpectCell(t, row, "Bias", st.bias, std::fabs(st.bias) > kLimits[q][0]);
            ExpectCell(t, row, q == kWs ? "RMSE" : "GE", st.Error(q), st.Error(q) > kLimits[q][1]);
            if (q != kWd) {
                ExpectCell(t, row, "IOA", st.ioa, st.ioa < kLimits[q][2]);
                ExpectCell(t, row, "R", st.r, false);
            }
            EXPECT_EQ(t.At(row, "Var"), q == kQ ? "MIXR" : "<none>");
        }
    }
}

}  // namespace
}  // namespace corvane::wxcheck
