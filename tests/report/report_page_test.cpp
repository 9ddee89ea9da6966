// The written report read back as a reader sees it. Three stations over four days (the third
// without data) with known biases and a known diurnal shape; station 3 has no humidity and a
// site text that differs between its files. Every section's marks (through its axes' tick
// labels), tooltips and table cells are compared with values worked out here from the pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>

#include "engine_fixture.h"
#include "support/page_reader.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using corvane::testing::Element;
using corvane::testing::Scale;

constexpr double kCalm = 0.9999;
constexpr int kStations = 3;
enum Quantity { kWs, kWd, kT, kQ };
const char* const kCharts[] = {"Wind speed", "Wind direction", "Temperature", "Humidity (MIXR)"};

// One hour of one station: observed [0] and predicted [1] values, temperature in K.
struct Hour {
    int index;  // hours after 1 January 2008 00:00, less one
    double v[4][2];
    int Day() const { return index / 24; }
    int HourOfDay() const { return (index + 1) % 24; }
};

double Wobble(int i) {
    return ((i * 7) % 5 - 2) * 0.2;
}

std::vector<Hour> Series(int s) {
    std::vector<Hour> hours;
    for (int i = 0; i < 96; ++i) {
        if (i / 24 == 2) {
            continue;  // 3 January: no records at all
        }
        const int h = (i + 1) % 24;
        Hour x{i, {}};
        const double ws = s == 0 && h == 3 ? 0.5 : 1 + 0.35 * h + 0.5 * s;
        const double wd = h < 12 ? 270 : 90;
        const double t = 5 + 4 * std::sin(2 * std::numbers::pi * (h - 9) / 24) + s;
        const double q = 6 + std::sin(2 * std::numbers::pi * h / 24) + 0.5 * s;
        x.v[kWs][0] = ws;
        x.v[kWs][1] = 1.1 * ws + 0.3 + Wobble(i) + (s == 1 ? 0.6 : s == 2 ? -0.4 : 0);
        x.v[kWd][0] = wd;
        x.v[kWd][1] = wd + (s == 0 ? 5 : s == 1 ? (i % 2 ? 20 : -20) : 15);
        x.v[kT][0] = t;  // Celsius in the files
        x.v[kT][1] = 0.8 * t + 1.5 + 1.5 * Wobble(i) + (s == 1 ? 0.5 : s == 2 ? -1 : 0);
        x.v[kQ][0] = s == 2 ? NAN : q;
        x.v[kQ][1] = s == 2 ? NAN : q + 0.8 + 0.5 * Wobble(i + 1) + 0.5 * s;
        hours.push_back(x);
    }
    return hours;
}

struct PageRun {
    ScratchFolder folder;
    std::vector<std::vector<Hour>> stations;
    std::string list;
    Element page;

    PageRun() {
        std::vector<std::pair<std::string, std::string>> files;
        for (int s = 0; s < kStations; ++s) {
            stations.push_back(Series(s));
            for (const int side : {1, 0}) {
                std::string records;
                for (const Hour& h : stations.back()) {
                    char values[200];
                    std::snprintf(values, sizeof values, "%.17g %.17g %.17g", h.v[kWs][side],
                                  h.v[kWd][side], h.v[kT][side]);
                    records += Record(h.index / 24 + 1, h.index % 24 + 1, values);
                    if (s < 2) {
                        std::snprintf(values, sizeof values, " %.17g", h.v[kQ][side]);
                        records.insert(records.size() - 1, values);
                    }
                }
                std::vector<std::string> names = {"WSPEED m/s", "WDIR deg", "TEMP C"};
                if (s < 2) {
                    names.push_back("MIXR g/kg");
                }
                const std::string site = s < 2 ? "" : side == 1 ? "Harbour" : "Harbour pier";
                const std::string name =
                    "st" + std::to_string(s + 1) + (side == 1 ? "_prd.tsf" : "_obs.tsf");
                WriteFile(folder / name, TsfText(names, records, "UTC+0000", site));
            }
            const std::string n = std::to_string(s + 1);
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
        page = corvane::testing::ReadPage(ReadFile(folder / "run_report.html"));
    }

    // Pairs of quantity q of the hours `take` accepts, as the engine pools them: direction
    // only where both speeds are above the calm threshold.
    std::vector<std::pair<double, double>> Pairs(
        Quantity q, const std::function<bool(int, const Hour&)>& take = {}) const {
        std::vector<std::pair<double, double>> out;
        for (int s = 0; s < kStations; ++s) {
            for (const Hour& h : stations[static_cast<std::size_t>(s)]) {
                const bool calm = h.v[kWs][0] <= kCalm || h.v[kWs][1] <= kCalm;
                if (!std::isnan(h.v[q][0]) && (q != kWd || !calm) && (!take || take(s, h))) {
                    const double offset = q == kT ? 273.15 : 0;
                    out.emplace_back(h.v[q][0] + offset, h.v[q][1] + offset);
                }
            }
        }
        return out;
    }
    std::vector<std::pair<double, double>> Of(Quantity q, int station) const {
        return Pairs(q, [&](int s, const Hour&) { return s == station; });
    }

    // The chart of section `section` whose title is `title`.
    const Element& Chart(const std::string& section, const std::string& title) const {
        const Element* s = page.WithId(section);
        EXPECT_NE(s, nullptr) << section;
        for (const Element* svg : s->Named("svg")) {
            if (corvane::testing::TitleOf(*svg) == title) {
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

struct Stats {
    double n = 0, meanO = 0, meanP = 0, bias = 0, ge = 0, rmse = 0, ioa = 0, r = 0, ratio = 0;
    double slope = 0, intercept = 0;
};

// Two-pass statistics of (observed, predicted) pairs; direction differences wrapped.
Stats StatsOf(const std::vector<std::pair<double, double>>& pairs, bool direction = false) {
    Stats s;
    s.n = static_cast<double>(pairs.size());
    for (const auto& [o, p] : pairs) {
        double d = p - o;
        d = direction ? (d > 180 ? d - 360 : d <= -180 ? d + 360 : d) : d;
        s.meanO += o / s.n;
        s.meanP += p / s.n;
        s.bias += d / s.n;
        s.ge += std::fabs(d) / s.n;
        s.rmse += d * d / s.n;
    }
    double soo = 0, spp = 0, sop = 0, agreement = 0;
    for (const auto& [o, p] : pairs) {
        soo += (o - s.meanO) * (o - s.meanO);
        spp += (p - s.meanP) * (p - s.meanP);
        sop += (o - s.meanO) * (p - s.meanP);
        agreement += std::pow(std::fabs(p - s.meanO) + std::fabs(o - s.meanO), 2);
    }
    s.ioa = 1 - s.rmse * s.n / agreement;
    s.rmse = std::sqrt(s.rmse);
    s.r = sop / std::sqrt(soo * spp);
    s.ratio = std::sqrt(spp / soo);
    s.slope = sop / soo;
    s.intercept = s.meanP - s.slope * s.meanO;
    return s;
}

// Limits of the bias and the error (RMSE for wind speed), and the least IOA.
struct Limits {
    double bias, error, ioa;
};
constexpr Limits kLimits[] = {{0.5, 2, 0.6}, {10, 30, NAN}, {0.5, 2, 0.8}, {1, 2, 0.6}};

double ErrorOf(const Stats& s, Quantity q) {
    return q == kWs ? s.rmse : s.ge;
}

double Leading(const std::string& cell) {
    return std::strtod(cell.c_str(), nullptr);
}

// Within a quarter of a picture unit of `scale`, the coordinates being written to tenths.
#define EXPECT_DRAWN(value, expected, scale) \
    EXPECT_NEAR(value, expected, 0.25 * (scale).Resolution() + 1e-9)

TEST(ReportPage, HeaderAndMessagesSayWhatRanAndWhatWasWrong) {
    const PageRun& run = TheRun();
    EXPECT_EQ(run.page.Named("h1").front()->AllText(), "Harbour & hills");
    const corvane::testing::Cells facts =
        corvane::testing::ReadTable(*run.page.WithId("top")->Named("table").front());
    std::map<std::string, std::string> fact;
    for (const auto& row : facts.rows) {
        fact[row.at(0)] = row.size() > 1 ? row[1] : "";
    }
    EXPECT_EQ(fact["Stations"], "3 of 3 evaluated");
    EXPECT_EQ(fact["Calm threshold"], "0.9999 m/s");
    EXPECT_EQ(fact["Time zone"], "UTC+0000");
    EXPECT_NE(fact["Humidity"].find("2 station(s)"), std::string::npos) << fact["Humidity"];
    for (const Element* link : run.page.WithId("top")->Named("a")) {
        EXPECT_NE(run.page.WithId(link->Attribute("href").substr(1)), nullptr);
    }
    // The warnings as the list file words them: station 3's two site texts.
    std::vector<std::string> warnings;
    for (const Element* item : run.page.WithId("messages")->Named("li")) {
        warnings.push_back(item->AllText());
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("station 3"), std::string::npos) << warnings[0];
    EXPECT_NE(run.list.find(warnings[0]), std::string::npos) << warnings[0];
}

TEST(ReportPage, VerdictJudgesThePooledValuesAgainstTheirOwnBenchmarks) {
    const PageRun& run = TheRun();
    const corvane::testing::Cells table =
        corvane::testing::ReadTable(*run.page.WithId("verdict")->Named("table").front());
    ASSERT_EQ(table.rows.size(), 11u);
    int met = 0;
    for (std::size_t row = 0; row < table.rows.size(); ++row) {
        const std::string quantity = table.At(row, "Quantity");
        const std::string statistic = table.At(row, "Statistic");
        const auto q = static_cast<Quantity>(std::find(kCharts, kCharts + 4, quantity) - kCharts);
        ASSERT_LT(q, 4) << quantity;
        const Stats s = StatsOf(run.Pairs(q), q == kWd);
        const double value = statistic == "Bias"  ? s.bias
                             : statistic == "IOA" ? s.ioa
                                                  : ErrorOf(s, q);
        const bool pass = statistic == "Bias"  ? std::fabs(value) <= kLimits[q].bias
                          : statistic == "IOA" ? value >= kLimits[q].ioa
                                               : value <= kLimits[q].error;
        SCOPED_TRACE(quantity + " " + statistic);
        EXPECT_NEAR(Leading(table.At(row, "Value")), value, 6e-5);
        EXPECT_EQ(table.At(row, "Result"), pass ? "\u2713 pass" : "\u2717 fail");
        met += pass ? 1 : 0;
    }
    EXPECT_NE(run.page.WithId("verdict")->AllText().find(std::to_string(met) + " of 11 met"),
              std::string::npos);
}

TEST(ReportPage, SoccerMarkersSitAtEachStationsBiasAndErrorInsideOrOutsideTheBox) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        SCOPED_TRACE(kCharts[q]);
        const Element& svg = run.Chart("soccer", kCharts[q]);
        const Scale x = corvane::testing::HorizontalScale(svg);
        const Scale y = corvane::testing::VerticalScale(svg);
        const auto at = [&](const Element* marker) {
            const auto point = corvane::testing::ReadPath(marker->Attribute("d")).at(0).Middle();
            return std::pair{x.Value(point.x), y.Value(point.y)};
        };
        for (int s = 0; s < kStations; ++s) {
            const auto markers = Titled(svg, "Station " + std::to_string(s + 1) + " (");
            ASSERT_EQ(markers.size(), q == kQ && s == 2 ? 0u : 1u) << s;  // no humidity
            if (!markers.empty()) {
                const Stats st = StatsOf(run.Of(q, s), q == kWd);
                EXPECT_DRAWN(at(markers[0]).first, st.bias, x);
                EXPECT_DRAWN(at(markers[0]).second, ErrorOf(st, q), y);
                const std::string n = std::to_string(s + 1);
                EXPECT_NE(TitleOf(*markers[0]).find("st" + n + "_prd.tsf, st" + n + "_obs.tsf"),
                          std::string::npos);
            }
        }
        const Stats all = StatsOf(run.Pairs(q), q == kWd);
        const auto pooled = Titled(svg, "All stations");
        ASSERT_EQ(pooled.size(), 1u);
        EXPECT_DRAWN(at(pooled[0]).first, all.bias, x);
        EXPECT_DRAWN(at(pooled[0]).second, ErrorOf(all, q), y);
        // The box spans |bias| <= limit and error <= limit, clipped at the plot's edges.
        const auto rects = svg.Named("rect");
        const Element* frame = rects.front();
        const Element* box = *std::find_if(rects.begin(), rects.end(), [](const Element* r) {
            return r->Attribute("stroke-dasharray") == "5 3";
        });
        const auto clipped = [](double v, const Scale& s, double a, double b) {
            return std::clamp(v, std::min(s.Value(a), s.Value(b)),
                              std::max(s.Value(a), s.Value(b)));
        };
        const double left = frame->Number("x"), right = left + frame->Number("width");
        const double top = frame->Number("y"), bottom = top + frame->Number("height");
        EXPECT_DRAWN(x.Value(box->Number("x")), clipped(-kLimits[q].bias, x, left, right), x);
        EXPECT_DRAWN(x.Value(box->Number("x") + box->Number("width")),
                     clipped(kLimits[q].bias, x, left, right), x);
        EXPECT_DRAWN(y.Value(box->Number("y")), clipped(kLimits[q].error, y, top, bottom), y);
        EXPECT_DRAWN(y.Value(box->Number("y") + box->Number("height")), clipped(0, y, top, bottom),
                     y);
    }
}

TEST(ReportPage, TaylorMarkersGiveEachStationsSpreadRatioAndCorrelation) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        SCOPED_TRACE(kCharts[q]);
        const Element& svg = run.Chart("taylor", kCharts[q]);
        const Scale x = corvane::testing::HorizontalScale(svg);
        const Scale y = corvane::testing::VerticalScale(svg);
        for (int s = -1; s < kStations; ++s) {
            const auto markers =
                Titled(svg, s < 0 ? "All stations" : "Station " + std::to_string(s + 1) + " (");
            ASSERT_EQ(markers.size(), q == kQ && s == 2 ? 0u : 1u) << s;
            if (markers.empty()) {
                continue;
            }
            const Stats st = StatsOf(s < 0 ? run.Pairs(q) : run.Of(q, s));
            const auto point =
                corvane::testing::ReadPath(markers[0]->Attribute("d")).at(0).Middle();
            const double px = x.Value(point.x);
            const double py = y.Value(point.y);
            EXPECT_DRAWN(px, st.ratio * st.r, x) << s;
            EXPECT_DRAWN(py, st.ratio * std::sqrt(1 - st.r * st.r), y) << s;
            EXPECT_NEAR(std::hypot(px, py), st.ratio, 0.02) << s;
        }
    }
}

// Points of a line as values, piece by piece.
std::vector<std::vector<std::pair<double, double>>> LinePoints(const Element* path, const Scale& x,
                                                               const Scale& y) {
    std::vector<std::vector<std::pair<double, double>>> out;
    if (path != nullptr) {
        for (const auto& piece : corvane::testing::ReadPath(path->Attribute("d"))) {
            auto& values = out.emplace_back();
            for (const auto& p : piece.points) {
                if (values.empty() || x.Value(p.x) != values.back().first) {
                    values.emplace_back(x.Value(p.x), y.Value(p.y));
                }
            }
        }
    }
    return out;
}

TEST(ReportPage, DailyLinesFollowThePooledDailyMeansAndBreakAtTheDayWithoutData) {
    const PageRun& run = TheRun();
    const auto day = [](const std::string& label) {  // "Jan 01" is day 0
        return label.starts_with("Jan ") ? std::stod(label.substr(4)) - 1 : NAN;
    };
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& svg = run.Chart("daily", kCharts[q]);
        const Scale x = corvane::testing::HorizontalScale(svg, day);
        const Scale y = corvane::testing::VerticalScale(svg);
        for (const int side : {0, 1}) {
            SCOPED_TRACE(std::string(kCharts[q]) + (side ? " predicted" : " observed"));
            const auto pieces = LinePoints(
                corvane::testing::SeriesPath(svg, side ? "Predicted" : "Observed"), x, y);
            ASSERT_EQ(pieces.size(), 2u);  // 1 and 2 January; 4 January alone
            ASSERT_EQ(pieces[0].size() + pieces[1].size(), 3u);
            for (const auto& piece : pieces) {
                for (const auto& [d, value] : piece) {
                    const int whole = static_cast<int>(std::lround(d));
                    EXPECT_DRAWN(d, whole, x);
                    const Stats st =
                        StatsOf(run.Pairs(q, [&](int, const Hour& h) { return h.Day() == whole; }));
                    EXPECT_DRAWN(value, side ? st.meanP : st.meanO, y) << whole;
                }
            }
        }
    }
}

TEST(ReportPage, DiurnalChartsGiveTheMeansAndTheBiasOfEachHour) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        const std::string name = kCharts[q];
        const Element& means = run.Chart("diurnal", name + ": mean");
        const Element& bias = run.Chart("diurnal", name + ": bias");
        const Scale mx = corvane::testing::HorizontalScale(means);
        const Scale my = corvane::testing::VerticalScale(means);
        const Scale bx = corvane::testing::HorizontalScale(bias);
        const Scale by = corvane::testing::VerticalScale(bias);
        const auto observed = LinePoints(corvane::testing::SeriesPath(means, "Observed"), mx, my);
        const auto predicted = LinePoints(corvane::testing::SeriesPath(means, "Predicted"), mx, my);
        const auto biases =
            LinePoints(corvane::testing::SeriesPath(bias, "Bias (predicted - observed)"), bx, by);
        ASSERT_EQ(observed.size(), 1u) << name;
        ASSERT_EQ(predicted.size(), 1u) << name;
        ASSERT_EQ(biases.size(), 1u) << name;
        ASSERT_EQ(observed[0].size(), 24u) << name;
        for (std::size_t h = 0; h < 24; ++h) {
            SCOPED_TRACE(name + " hour " + std::to_string(h));
            const Stats st = StatsOf(run.Pairs(
                q, [&](int, const Hour& x) { return x.HourOfDay() == static_cast<int>(h); }));
            EXPECT_DRAWN(observed[0][h].first, static_cast<double>(h), mx);
            EXPECT_DRAWN(observed[0][h].second, st.meanO, my);
            EXPECT_DRAWN(predicted[0].at(h).second, st.meanP, my);
            EXPECT_DRAWN(biases[0].at(h).second, st.meanP - st.meanO, by);
        }
    }
}

TEST(ReportPage, ScatterShowsEveryPairWithTheOneToOneAndTheLeastSquaresLines) {
    const PageRun& run = TheRun();
    for (const Quantity q : {kWs, kT, kQ}) {
        SCOPED_TRACE(kCharts[q]);
        const Element& svg = run.Chart("scatter", kCharts[q]);
        const Scale x = corvane::testing::HorizontalScale(svg);
        const Scale y = corvane::testing::VerticalScale(svg);
        const auto pairs = run.Pairs(q);
        const auto dots = svg.Find([](const Element& e) {
            return e.name == "path" && e.Attribute("stroke-linecap") == "round" &&
                   e.Attribute("d").find("h0") != std::string::npos;
        });
        ASSERT_EQ(dots.size(), 1u);
        const auto drawn = corvane::testing::ReadPath(dots[0]->Attribute("d"));
        ASSERT_EQ(drawn.size(), pairs.size());
        for (const auto& [o, p] : pairs) {
            EXPECT_TRUE(std::any_of(
                drawn.begin(), drawn.end(),
                [&](const auto& dot) {
                    return std::fabs(x.Value(dot.points[0].x) - o) <= 0.26 * x.Resolution() &&
                           std::fabs(y.Value(dot.points[0].y) - p) <= 0.26 * y.Resolution();
                }))
                << o << " " << p;
        }
        const Stats st = StatsOf(pairs);
        char fit[96];
        std::snprintf(fit, sizeof fit, "Least squares: P = %.2f O %s%.2f", st.slope,
                      st.intercept < 0 ? "\u2212 " : "+ ", std::fabs(st.intercept));
        for (const auto& [name, slope, intercept] :
             {std::tuple{std::string("1:1"), 1.0, 0.0},
              std::tuple{std::string(fit), st.slope, st.intercept}}) {
            const auto line = LinePoints(corvane::testing::SeriesPath(svg, name), x, y);
            ASSERT_EQ(line.size(), 1u) << name;
            for (const auto& [o, p] : line[0]) {
                EXPECT_NEAR(p, intercept + slope * o,
                            0.3 * y.Resolution() + std::fabs(slope) * 0.3 * x.Resolution())
                    << name;
            }
        }
    }
}

TEST(ReportPage, RosesStackTheClassesOfEachSectorOnOneSharedScale) {
    const PageRun& run = TheRun();
    const char* const sectors[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                   "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    std::vector<std::string> outerRings;
    for (const int side : {0, 1}) {
        SCOPED_TRACE(side ? "predicted" : "observed");
        const Element& svg = run.Chart("roses", side ? "Predicted wind" : "Observed wind");
        // Expected: percent of the hours with speed and direction, per sector, and calm.
        std::map<std::string, double> expected;
        double calm = 0;
        const auto hours = run.Pairs(kWs);
        for (int s = 0; s < kStations; ++s) {
            for (const Hour& h : run.stations[static_cast<std::size_t>(s)]) {
                const double share = 100.0 / static_cast<double>(hours.size());
                if (h.v[kWs][side] <= kCalm) {
                    calm += share;
                } else {
                    const int sector =
                        static_cast<int>(std::floor((h.v[kWd][side] + 11.25) / 22.5));
                    expected[sectors[sector % 16]] += share;
                }
            }
        }
        // The rings' radii against their labels give the scale of the petals.
        std::vector<std::pair<double, double>> rings;
        const auto circles = svg.Find(
            [](const Element& e) { return e.name == "circle" && e.Attribute("fill") == "none"; });
        std::vector<const Element*> labels;
        for (const Element* g : svg.Named("g")) {
            if (g->Attribute("paint-order") == "stroke") {
                labels = g->Named("text");
            }
        }
        ASSERT_EQ(circles.size(), labels.size());
        ASSERT_GE(circles.size(), 2u);
        const double r0 = circles[0]->Number("r"), r1 = circles.back()->Number("r");
        const double v0 = corvane::testing::NumberLabel(
            labels[0]->AllText().substr(0, labels[0]->AllText().size() - 1));
        const double v1 = corvane::testing::NumberLabel(
            labels.back()->AllText().substr(0, labels.back()->AllText().size() - 1));
        const auto percent = [&](double r) { return v0 + (r - r0) * (v1 - v0) / (r1 - r0); };
        outerRings.push_back(labels.back()->AllText());
        std::map<std::string, double> drawn;
        for (const Element* petal :
             svg.Find([](const Element& e) { return TitleOf(e).ends_with(" of the hours"); })) {
            const std::string title = TitleOf(*petal);
            const auto pieces = corvane::testing::ReadPath(petal->Attribute("d"));
            ASSERT_EQ(pieces.at(0).radii.size(), 2u) << title;
            const std::string sector = title.substr(0, title.find(','));
            drawn[sector] = std::max(drawn[sector], percent(pieces[0].radii[0]));
            EXPECT_LE(pieces[0].radii[0], r1 + 0.05) << title;  // within the outer ring
        }
        ASSERT_EQ(drawn.size(), expected.size());
        for (const auto& [sector, share] : expected) {
            EXPECT_NEAR(drawn[sector], share, 0.1 * (v1 - v0) / (r1 - r0) + 1e-9) << sector;
        }
        char centre[32];
        std::snprintf(centre, sizeof centre, "%.1f%%", calm);
        EXPECT_FALSE(svg.Find([&](const Element& e) { return e.AllText() == centre; }).empty())
            << centre;
    }
    EXPECT_EQ(outerRings[0], outerRings[1]);  // both roses on one scale
}

TEST(ReportPage, StationTablesListWhatEachStationEvaluatesAndMarkWhatMisses) {
    const PageRun& run = TheRun();
    const auto tables = run.page.WithId("stations")->Named("table");
    ASSERT_EQ(tables.size(), 5u);  // the files, then one a quantity
    const corvane::testing::Cells files = corvane::testing::ReadTable(*tables[0]);
    ASSERT_EQ(files.rows.size(), 3u);
    EXPECT_EQ(files.At(2, "Predicted file"), "st3_prd.tsf");
    EXPECT_EQ(files.At(2, "Observed file"), "st3_obs.tsf");
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        SCOPED_TRACE(kCharts[q]);
        const corvane::testing::Cells t = corvane::testing::ReadTable(*tables[1 + q]);
        ASSERT_EQ(t.rows.size(), q == kQ ? 2u : 3u);  // station 3 has no humidity
        for (std::size_t row = 0; row < t.rows.size(); ++row) {
            const int s = std::stoi(t.At(row, "No")) - 1;
            const Stats st = StatsOf(run.Of(q, s), q == kWd);
            SCOPED_TRACE(s + 1);
            const auto check = [&](const std::string& column, double value, bool out) {
                EXPECT_NEAR(Leading(t.At(row, column)), value, 6e-5) << column;
                EXPECT_EQ(t.At(row, column).find("\u2717") != std::string::npos, out) << column;
            };
            EXPECT_EQ(t.At(row, "N"), std::to_string(static_cast<int>(st.n)));
            check("Bias", st.bias, std::fabs(st.bias) > kLimits[q].bias);
            check(q == kWs ? "RMSE" : "GE", ErrorOf(st, q), ErrorOf(st, q) > kLimits[q].error);
            if (q != kWd) {
                check("IOA", st.ioa, st.ioa < kLimits[q].ioa);
                check("R", st.r, false);
            }
            if (q == kQ) {
                EXPECT_EQ(t.At(row, "Var"), "MIXR");
            }
        }
    }
}

}  // namespace
}  // namespace corvane::wxcheck
