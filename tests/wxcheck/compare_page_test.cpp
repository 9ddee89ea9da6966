// The comparison page read back as a reader sees it. Three stations over four days (the third
// without observations) and two runs with known biases: run 2 lacks station 2's forecast for
// six hours, which leave run 1 too; run 1 lacks three temperatures of station 1, which leave
// run 2's temperatures. Station 3 has no humidity and a site text with markup in it. Each
// section's marks are read through the axes' tick labels and compared with values worked
// out here from the pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>

#include "engine_fixture.h"
#include "support/page_reader.h"
#include "wxcheck/compare/compare_run.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::wxcheck::testing;
using namespace corvane::testing;

const std::string kRuns[] = {"Run 1 (reference)", "Run 2"};
const std::string kPier = "Pier <3> & \"north\"";

// As the files hold them: whole ten-thousandths, which the engine keeps exactly.
double Rounded(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.4f", v);
    return std::strtod(text, nullptr);
}

struct Hour {
    int index;  // the end stamp in hours after 1 January 2008 00:00, less one
    bool observedRecord;
    bool predictedRecord[2];
    double o[4];     // observed; NaN: missing; temperature in C
    double p[2][4];  // per run
};

// A run's folder with its control file and station file; returns the control file.
std::string WriteRun(const ScratchFolder& root, const std::string& run,
                     const std::vector<std::pair<std::string, std::string>>& stations) {
    std::filesystem::create_directories(root / run);
    ControlOptions o;
    o.folder = root / run;
    o.end = "20080105000000";
    WriteFile(root / (run + "/wxcheck.inp"), ControlText(o));
    WriteFile(root / (run + "/run_WXCHECK.TSF.STN"), StationText(stations));
    return root / (run + "/wxcheck.inp");
}

// The page of the comparison of `controls`, written into `root`.
Element ComparisonPage(const ScratchFolder& root, const std::vector<std::string>& controls) {
    CompareOptions options;
    options.controlPaths = controls;
    options.folder = root.path();
    options.root = "cmp";
    options.threads = 2;
    std::ostringstream out, err;
    EXPECT_EQ(RunComparison(options, out, err), kAllEvaluated) << err.str();
    return ReadPage(ReadFile(root / "cmp_comparison.html"));
}

struct ComparedPage {
    ScratchFolder root;
    std::vector<Hour> hours[3];
    Element page;

    ComparedPage() {
        const auto nan = std::numeric_limits<double>::quiet_NaN();
        for (int s = 0; s < 3; ++s) {
            for (int i = 0; i < 96; ++i) {
                const int h = (i + 1) % 24;
                const double wobble = ((i * 7) % 5 - 2) * 0.2;
                const double ws = s == 0 && h == 3 ? 0.5 : 1 + 0.35 * h + 0.5 * s;
                const double wd = h < 12 ? 270 : 350;
                const double t = 5 + 4 * std::sin(2 * std::numbers::pi * (h - 9) / 24) + s;
                const double q =
                    s == 2 ? nan : 6 + std::sin(2 * std::numbers::pi * h / 24) + s / 2.0;
                Hour x{i, i / 24 != 2, {true, !(s == 1 && i >= 30 && i <= 35)}, {}, {}};
                const double o[4] = {ws, wd, t, q};
                const double a[4] = {1.1 * ws + 0.3 + wobble, std::fmod(wd + 5 + 10 * s, 360),
                                     s == 0 && i >= 80 && i <= 82 ? nan : 0.8 * t + 1.5 + wobble,
                                     q + 0.8 + 0.5 * wobble};
                const double b[4] = {0.9 * ws + 0.2 - 0.1 * s,
                                     std::fmod(wd + (h < 12 ? -15 : 25) + 360, 360),
                                     1.1 * t - 1 + 0.3 * std::sin(2 * std::numbers::pi * h / 24),
                                     q - 0.4 + 0.3 * wobble};
                for (int v = 0; v < 4; ++v) {
                    x.o[v] = Rounded(o[v]);
                    x.p[0][v] = Rounded(a[v]);
                    x.p[1][v] = Rounded(b[v]);
                }
                hours[s].push_back(x);
            }
        }
        const auto write = [&](const std::string& path, int s, int side) {
            std::string records;
            for (const Hour& x : hours[s]) {
                const bool present = side < 0 ? x.observedRecord : x.predictedRecord[side];
                if (present) {
                    const double* v = side < 0 ? x.o : x.p[side];
                    std::string values;
                    for (int k = 0; k < 4; ++k) {
                        char text[40];
                        std::snprintf(text, sizeof text, "%s%.4f", k ? " " : "",
                                      std::isnan(v[k]) ? -999.0 : v[k]);
                        values += text;
                    }
                    records += Record(x.index / 24 + 1, x.index % 24 + 1, values);
                }
            }
            WriteFile(path,
                      TsfText({"WSPEED m/s", "WDIR deg", "TEMP C", s < 2 ? "MIXR g/kg" : "OTHER"},
                              records, "UTC+0000", s == 2 ? kPier : ""));
        };
        std::vector<std::string> controls;
        for (const int k : {0, 1}) {
            const std::string run = k == 0 ? "a" : "b";
            std::vector<std::pair<std::string, std::string>> stations;
            for (int s = 1; s <= 3; ++s) {
                stations.emplace_back("p" + std::to_string(s) + ".tsf",
                                      "../obs" + std::to_string(s) + ".tsf");
            }
            controls.push_back(WriteRun(root, run, stations));
            for (int s = 0; s < 3; ++s) {
                write(root / (run + "/p" + std::to_string(s + 1) + ".tsf"), s, k);
            }
        }
        for (int s = 0; s < 3; ++s) {
            write(root / ("obs" + std::to_string(s + 1) + ".tsf"), s, -1);
        }
        page = ComparisonPage(root, controls);
    }

    // Whether quantity q of hour x is a common case: observed and predicted by both runs,
    // and for the direction no speed calm.
    static bool Common(Quantity q, const Hour& x) {
        bool ok = x.observedRecord && !std::isnan(x.o[q]);
        for (int k = 0; k < 2; ++k) {
            ok = ok && x.predictedRecord[k] && !std::isnan(x.p[k][q]);
            ok = ok && (q != kWd || (x.o[kWs] > kCalm && x.p[k][kWs] > kCalm));
        }
        return ok;
    }

    // Run k's common pairs of q, of station `station` (all: -1), that `take` accepts.
    Pairs Of(int k, Quantity q, int station = -1,
             const std::function<bool(const Hour&)>& take = {}) const {
        Pairs out;
        for (int s = 0; s < 3; ++s) {
            for (const Hour& x : hours[s]) {
                if ((station < 0 || s == station) && Common(q, x) && (!take || take(x))) {
                    out.emplace_back(x.o[q], x.p[k][q]);
                }
            }
        }
        return out;
    }

    // The chart of `within` whose title is `title` and whose description holds `kind`.
    const Element& Chart(const Element& within, const std::string& title,
                         const std::string& kind = "") const {
        for (const Element* svg : within.Named("svg")) {
            const auto desc = svg->Named("desc");
            if (svg->Title() == title &&
                (kind.empty() ||
                 (!desc.empty() && desc[0]->AllText().find(kind) != std::string::npos))) {
                return *svg;
            }
        }
        ADD_FAILURE() << "no chart " << title << " " << kind;
        return page;
    }
    const Element& Section(const std::string& id) const {
        const Element* e = page.WithId(id);
        EXPECT_NE(e, nullptr) << id;
        return e != nullptr ? *e : page;
    }
};

const ComparedPage& ThePage() {
    static const ComparedPage page;
    return page;
}

// One marker per run: at its bias and error of `station` (all: -1) on a soccer plot, at its
// spread ratio (distance) and correlation (cosine of the angle) on a Taylor diagram.
void ExpectRunMarkers(const ComparedPage& cp, const Element& svg, Quantity q, int station,
                      bool taylor, const std::string& what) {
    const Scale x = AxisScale(svg, true), y = AxisScale(svg, false);
    for (int k = 0; k < 2; ++k) {
        const auto markers = Titled(svg, kRuns[k] + ":");
        ASSERT_EQ(markers.size(), 1u) << what << kRuns[k];
        const Stats st = StatsOf(cp.Of(k, q, station), q == kWd);
        const Point at = MarkerAt(markers[0], x, y);
        ExpectDrawn(at.x, taylor ? st.ratio * st.r : st.bias, x, what + kRuns[k]);
        ExpectDrawn(at.y,
                    taylor ? st.ratio * std::sqrt(std::max(0.0, 1 - st.r * st.r)) : st.Error(q), y,
                    what + kRuns[k]);
    }
}

TEST(ComparePage, SoccerAndTaylorMarkersGiveEveryRunsPooledValues) {
    const ComparedPage& cp = ThePage();
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        ExpectRunMarkers(cp, cp.Chart(cp.Section("soccer"), kCharts[q]), q, -1, false, kCharts[q]);
        if (q != kWd) {
            ExpectRunMarkers(cp, cp.Chart(cp.Section("taylor"), kCharts[q]), q, -1, true,
                             kCharts[q]);
        }
    }
}

TEST(ComparePage, DailyErrorLinesFollowEachRunsErrorOfTheDayAndBreakAtTheDayWithoutCases) {
    const ComparedPage& cp = ThePage();
    const auto day = [](const std::string& label) {  // "Jan 01" is day 0
        return label.starts_with("Jan ") ? std::stod(label.substr(4)) - 1 : NAN;
    };
    for (const Quantity q : {kWs, kWd, kT, kQ}) {
        const Element& svg = cp.Chart(cp.Section("daily"), kCharts[q]);
        const Scale x = AxisScale(svg, true, day), y = AxisScale(svg, false);
        for (int k = 0; k < 2; ++k) {
            const std::string what = kCharts[q] + " " + kRuns[k];
            const auto line = LineAt(SeriesPath(svg, kRuns[k]), x, y);
            ASSERT_EQ(line.size(), 2u) << what;  // 1 and 2 January, then 4 January alone
            ASSERT_EQ(line[0].size() + line[1].size(), 3u) << what;
            for (const auto& piece : line) {
                for (const Point& p : piece) {
                    const int d = static_cast<int>(std::lround(p.x));
                    const Stats st =
                        StatsOf(cp.Of(k, q, -1, [&](const Hour& h) { return h.index / 24 == d; }),
                                q == kWd);
                    ExpectDrawn(p.x, d, x, what);
                    ExpectDrawn(p.y, st.Error(q), y, what + " day " + std::to_string(d));
                }
            }
        }
    }
}

TEST(ComparePage, DiurnalBiasLinesGiveEachRunsBiasOfEveryHour) {
    const ComparedPage& cp = ThePage();
    for (const Quantity q : {kWs, kT, kQ}) {
        const Element& svg = cp.Chart(cp.Section("diurnal"), kCharts[q]);
        const Scale x = AxisScale(svg, true), y = AxisScale(svg, false);
        for (int k = 0; k < 2; ++k) {
            const auto line = LineAt(SeriesPath(svg, kRuns[k]), x, y);
            ASSERT_EQ(line.size(), 1u) << kCharts[q];
            ASSERT_EQ(line[0].size(), 24u) << kCharts[q];
            for (int h = 0; h < 24; ++h) {
                const Stats st = StatsOf(
                    cp.Of(k, q, -1, [&](const Hour& x) { return (x.index + 1) % 24 == h; }));
                const std::string what = kCharts[q] + " " + kRuns[k] + " hour " + std::to_string(h);
                ExpectDrawn(line[0][h].x, h, x, what);
                ExpectDrawn(line[0][h].y, st.bias, y, what);
            }
        }
    }
}

TEST(ComparePage, StationRowsOpenEachStationsSoccerPlotsAndTaylorDiagramsWithEveryRun) {
    const ComparedPage& cp = ThePage();
    const Element& section = cp.Section("stations");
    const Cells t = ReadTable(*section.Named("table").at(0));
    const auto details = section.Named("details");
    ASSERT_EQ(details.size(), 3u);
    std::size_t row = 0;
    for (int s = 0; s < 3; ++s, row += 2) {  // each station's row, then its plots' row
        const std::string n = std::to_string(s + 1);
        EXPECT_EQ(t.At(row, "No"), n);
        EXPECT_EQ(t.At(row, "Station"), s == 2 ? kPier : "../obs" + n + ".tsf");
        int stamps = 0;
        for (const Hour& x : cp.hours[s]) {
            stamps += ComparedPage::Common(kWs, x) || ComparedPage::Common(kT, x) ? 1 : 0;
        }
        EXPECT_EQ(t.At(row, "Common end stamps"), std::to_string(stamps));
        const Element& plots = *details[s];
        EXPECT_EQ(plots.Attribute("id"), "station-" + n);
        EXPECT_NE(plots.Named("summary").at(0)->AllText().find(t.At(row, "Station")),
                  std::string::npos);
        const std::size_t charts = s == 2 ? 5u : 7u;  // station 3 has no humidity
        ASSERT_EQ(plots.Named("svg").size(), charts) << n;
        for (const Quantity q : {kWs, kWd, kT, kQ}) {
            if (q != kQ || s < 2) {
                ExpectRunMarkers(cp, cp.Chart(plots, kCharts[q], "bias against"), q, s, false,
                                 kCharts[q] + " station " + n + " ");
            }
            if (q != kWd && (q != kQ || s < 2)) {
                ExpectRunMarkers(cp, cp.Chart(plots, kCharts[q], "standard deviation ratio"), q, s,
                                 true, kCharts[q] + " station " + n + " ");
            }
        }
    }
}

// Many stations: the plots of the first thirty open from their rows, and the page says so.
TEST(ComparePage, PerStationPlotsStopAtThirtyStationsAndThePageSaysSo) {
    ScratchFolder root;
    std::string records;
    for (int h = 1; h <= 24; ++h) {
        records += Record(1, h, std::to_string(270 + h % 5));
    }
    std::vector<std::pair<std::string, std::string>> stations;
    for (int s = 1; s <= 31; ++s) {
        WriteFile(root / ("obs" + std::to_string(s) + ".tsf"), TsfText({"TEMP K"}, records));
        stations.emplace_back("p.tsf", "../obs" + std::to_string(s) + ".tsf");
    }
    std::vector<std::string> controls;
    for (const std::string run : {"a", "b"}) {
        controls.push_back(WriteRun(root, run, stations));
        WriteFile(root / (run + "/p.tsf"), TsfText({"TEMP K"}, records));
    }
    const Element page = ComparisonPage(root, controls);
    const Element& section = *page.WithId("stations");
    const auto details = section.Named("details");
    ASSERT_EQ(details.size(), 30u);
    EXPECT_EQ(details.back()->Attribute("id"), "station-30");
    EXPECT_EQ(ReadTable(*section.Named("table").at(0)).rows.size(), 61u);
    EXPECT_NE(section.Named("p").at(0)->AllText().find("first 30 of 31 stations"),
              std::string::npos);
}

}  // namespace
}  // namespace corvane::wxcheck
