// The report with very many stations, and the Taylor diagram's zoom, read back from the page:
// which stations a capped report shows one by one and that it says so, and that markers read
// right through the zoomed radial axis.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "chart/taylor_diagram.h"
#include "report/evaluation_report.h"
#include "report/report_charts.h"
#include "support/page_reader.h"

namespace corvane::wxcheck {
namespace {

using namespace corvane::testing;

// A station with wind speed only: bias and RMSE as given, and a spread ratio and
// correlation for the Taylor diagram.
ReportStation SpeedStation(int number, double bias, double rmse, double ratio = 1,
                           double correlation = 0.9) {
    ReportStation s;
    s.number = number;
    const std::string name = std::to_string(number) + ".tsf";
    s.predicted = std::string("p").append(name);
    s.observed = std::string("o").append(name);
    s.evaluated = true;
    s.evaluates[kSpeed] = true;
    s.used = 10;
    ScalarStats& v = s.whole.scalar[kScalarSpeed];
    v.n = 10;
    v.bias = bias;
    v.rmse = rmse;
    v.correlation = correlation;
    s.first[kScalarSpeed].Add(1, 1);
    s.first[kScalarSpeed].Add(2, 2);
    s.second[kScalarSpeed].sxx = 1;
    s.second[kScalarSpeed].syy = ratio * ratio;
    return s;
}

ReportSummary WithAll(ReportSummary summary) {
    summary.all = summary.Stations().front().whole;
    return summary;
}

// The numbers in the "No" column of every row of `table`.
std::vector<int> Numbers(const Element& table) {
    const Cells cells = ReadTable(table);
    std::vector<int> numbers;
    for (std::size_t r = 0; r < cells.rows.size(); ++r) {
        numbers.push_back(std::stoi(cells.At(r, "No")));
    }
    return numbers;
}

// The station numbers of the markers titled "Station N (...".
std::set<int> MarkerNumbers(const Element& svg) {
    std::set<int> numbers;
    for (const Element* m : Titled(svg, "Station ")) {
        numbers.insert(std::stoi(m->Title().substr(8)));
    }
    return numbers;
}

const Element& ChartIn(const Element& page, const std::string& section, const std::string& title) {
    for (const Element* svg : page.WithId(section)->Named("svg")) {
        if (svg->Title() == title) {
            return *svg;
        }
    }
    ADD_FAILURE() << "no chart " << title << " in " << section;
    return page;
}

std::string HeaderFact(const Element& page, const std::string& name) {
    for (const Element* row : page.WithId("top")->Named("tr")) {
        const auto th = row->Named("th");
        const auto td = row->Named("td");
        if (!th.empty() && !td.empty() && th[0]->AllText() == name) {
            return td[0]->AllText();
        }
    }
    return {};
}

// 600 stations: every third outside the box (bias above its limit of 0.5 m/s), ten
// failed, the rest inside at distances scattered over the station order. The capped page
// keeps the 200 outside, the failed and the 290 inside stations nearest the box edge,
// in station order in every table and plot, and says so once; of its 600 station
// warnings the page lists 500.
TEST(ReportScale, AboveTheCapThePageShowsTheStationsThatMatterAndSaysSo) {
    ReportSummary summary{ControlSettings()};
    std::vector<std::pair<double, int>> inside;  // distance, number
    std::set<int> expected;
    const int total = static_cast<int>(kMostStationsShown) + 100;
    for (int n = 1; n <= total; ++n) {
        const double scramble = ((n * 7919) % 1000) / 1000.0;  // 0 to 0.999, no repeats here
        if (n % 60 == 1) {
            ReportStation failed;
            failed.number = n;
            summary.AddStation(failed);
            expected.insert(n);
        } else if (n % 3 == 0) {
            summary.AddStation(SpeedStation(n, 0.51 + scramble, 0.2));
            expected.insert(n);
        } else {
            // Distance: |bias| over 0.5, above the RMSE's 0.2 / 2.
            summary.AddStation(SpeedStation(n, -0.06 - 0.4 * scramble, 0.2));
            inside.emplace_back((0.06 + 0.4 * scramble) / 0.5, n);
        }
    }
    for (int n = 1; n <= total; ++n) {
        summary.stationWarnings.push_back("Station " + std::to_string(n) + ": a warning");
    }
    std::sort(inside.begin(), inside.end(), std::greater<>());
    for (std::size_t k = 0; expected.size() < kMostStationsShown; ++k) {
        expected.insert(inside.at(k).second);
    }
    summary = WithAll(std::move(summary));
    const Element page = ReadPage(BuildEvaluationReport(ControlSettings(), summary, RunNotes()));

    const std::string fact = HeaderFact(page, "Shown one by one");
    EXPECT_NE(fact.find("500 of the 600 stations"), std::string::npos) << fact;
    EXPECT_NE(fact.find("StationStats.csv"), std::string::npos) << fact;

    const auto tables = page.WithId("stations")->Named("table");
    ASSERT_GE(tables.size(), 2u);
    const std::vector<int> listed = Numbers(*tables[0]);
    EXPECT_EQ(std::set<int>(listed.begin(), listed.end()), expected);
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    EXPECT_EQ(listed.size(), expected.size());
    std::set<int> evaluated = expected;
    for (int n = 1; n <= total; n += 60) {
        evaluated.erase(n);
    }
    const std::vector<int> speed = Numbers(*tables[1]);
    EXPECT_EQ(std::vector<int>(evaluated.begin(), evaluated.end()), speed);
    EXPECT_EQ(MarkerNumbers(ChartIn(page, "soccer", "Wind speed")), evaluated);
    EXPECT_EQ(MarkerNumbers(ChartIn(page, "taylor", "Wind speed")), evaluated);
    // As many station messages as stations shown, and a word on the rest.
    const auto messages = page.WithId("messages")->Named("li");
    ASSERT_EQ(messages.size(), kMostStationsShown + 1);
    EXPECT_EQ(messages[kMostStationsShown - 1]->AllText(), "Station 500: a warning");
    EXPECT_NE(messages.back()->AllText().find("100 more station warnings in the list file"),
              std::string::npos);
    // The table of the furthest still counts every station outside a box.
    EXPECT_NE(page.WithId("soccer")->AllText().find("10 of the 200 outside some box"),
              std::string::npos);
}

// Up to the cap every station is shown and nothing is said; far beyond it the page stays
// small.
TEST(ReportScale, UpToTheCapEveryStationIsShownAndBeyondItThePageStaysSmall) {
    ReportSummary atCap{ControlSettings()};
    for (int n = 1; n <= static_cast<int>(kMostStationsShown); ++n) {
        atCap.AddStation(SpeedStation(n, 0.1 * (n % 9), 1.0));
    }
    atCap = WithAll(std::move(atCap));
    const Element page = ReadPage(BuildEvaluationReport(ControlSettings(), atCap, RunNotes()));
    EXPECT_EQ(HeaderFact(page, "Shown one by one"), "");
    EXPECT_EQ(Numbers(*page.WithId("stations")->Named("table").at(0)).size(), kMostStationsShown);
    EXPECT_EQ(MarkerNumbers(ChartIn(page, "soccer", "Wind speed")).size(), kMostStationsShown);

    ReportSummary many{ControlSettings()};
    for (int n = 1; n <= 20000; ++n) {
        many.AddStation(SpeedStation(n, 0.1 * (n % 9), 1.0, 0.8 + 0.01 * (n % 40)));
    }
    many = WithAll(std::move(many));
    const std::string text = BuildEvaluationReport(ControlSettings(), many, RunNotes());
    EXPECT_LT(text.size(), 2000000u);
    EXPECT_EQ(MarkerNumbers(ChartIn(ReadPage(text), "taylor", "Wind speed")).size(),
              kMostStationsShown);
}

// The summary holds only the records of stations that can still be shown, chosen as they
// come; the page must show the very stations that ranking all of them shows. Ties at the
// cap go to the earlier stations, the choice follows the run's humidity variable, known
// only at the end, and a station furthest outside one box keeps its label's place even
// when others outrank it on the page.
TEST(ReportScale, StationsChosenAsTheyComeAreThoseThatRankingThemAllShows) {
    const auto shownNumbers = [](const ReportSummary& summary) {
        const std::vector<bool> shown = ShownStations(summary);
        std::vector<int> numbers;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (shown[i]) {
                numbers.push_back(summary.Stations()[i].number);
            }
        }
        return numbers;
    };
    const int total = 2 * static_cast<int>(kMostStationsShown) + 200;
    // Every even station 1.2 from the box, every odd one inside it: 600 tied outside.
    ReportSummary tied{ControlSettings()};
    for (int n = 1; n <= total; ++n) {
        tied.AddStation(SpeedStation(n, n % 2 == 0 ? 0.6 : 0.1, 0.2));
    }
    std::vector<int> expected;
    for (int n = 2; expected.size() < kMostStationsShown; n += 2) {
        expected.push_back(n);
    }
    EXPECT_EQ(shownNumbers(tied), expected);
    EXPECT_EQ(tied.StationCount(), static_cast<std::size_t>(total));
    EXPECT_EQ(tied.OutsideCount(HumidityKind::None), 600u);

    // MIXR stations far outside the humidity box come first, unless the run's humidity
    // is another variable: then the SHUM stations' wind speed decides.
    ReportSummary mixed{ControlSettings()};
    for (int n = 1; n <= total; ++n) {
        ReportStation s = SpeedStation(n, 0.5 + 0.0001 * n, 0.2);  // later ones further out
        if (n % 2 == 1) {
            s.humidity = HumidityKind::MixingRatio;
            s.evaluates[kHumidity] = true;
            s.whole.scalar[kScalarHumidity].n = 10;
            s.whole.scalar[kScalarHumidity].bias = 3 + 0.001 * n;
            s.whole.scalar[kScalarHumidity].grossError = 1;
        } else {
            s.humidity = HumidityKind::SpecificHumidity;
            s.evaluates[kHumidity] = true;
            s.whole.scalar[kScalarHumidity].n = 10;
            s.whole.scalar[kScalarHumidity].bias = 1.5 + 0.0001 * n;
            s.whole.scalar[kScalarHumidity].grossError = 1;
        }
        mixed.AddStation(s);
    }
    mixed.humidity = HumidityKind::MixingRatio;
    const std::vector<int> byHumidity = shownNumbers(mixed);
    ASSERT_EQ(byHumidity.size(), kMostStationsShown);
    EXPECT_EQ(byHumidity.front(), 1 + 2 * 100);  // of the 600 odd ones, the last 500
    EXPECT_EQ(mixed.OutsideCount(HumidityKind::MixingRatio), static_cast<std::size_t>(total));
    mixed.humidity = HumidityKind::SpecificHumidity;
    const std::vector<int> bySpecific = shownNumbers(mixed);
    ASSERT_EQ(bySpecific.size(), kMostStationsShown);
    EXPECT_EQ(bySpecific.front(), 2 + 2 * 100);  // of the 600 even ones, the last 500
    EXPECT_EQ(bySpecific.back(), total);

    // Stations further out each than the one before: every one displaces another, and
    // the records dropped on the way leave only those shown.
    ReportSummary rising{ControlSettings()};
    for (int n = 1; n <= total; ++n) {
        rising.AddStation(SpeedStation(n, 0.5 + 0.0001 * n, 0.2));
    }
    const std::vector<int> last = shownNumbers(rising);
    ASSERT_EQ(last.size(), kMostStationsShown);
    EXPECT_EQ(last.front(), total - 499);
    EXPECT_EQ(last.back(), total);
    EXPECT_EQ(rising.Stations().size(), kMostStationsShown);

    // 600 stations far outside the temperature box outrank the one furthest outside the
    // wind speed box, which is still the first of the furthest by wind speed.
    ReportSummary outrun{ControlSettings()};
    for (int n = 1; n <= total; ++n) {
        ReportStation s = SpeedStation(n, n == total ? 1.0 : 0.55, 0.2);
        if (n <= 600) {
            s.evaluates[kTemperature] = true;
            s.whole.scalar[kScalarTemperature].n = 10;
            s.whole.scalar[kScalarTemperature].bias = 5;
            s.whole.scalar[kScalarTemperature].grossError = 5;
        }
        outrun.AddStation(s);
    }
    EXPECT_EQ(shownNumbers(outrun).back(), 500);
    const std::vector<std::size_t> furthest =
        FurthestStations(outrun, ReportQuantity::kSpeed, kOutliersLabelled);
    ASSERT_EQ(furthest.size(), kOutliersLabelled);
    EXPECT_EQ(outrun.Stations()[furthest[0]].number, total);
    EXPECT_EQ(outrun.Stations()[furthest[1]].number, 1);
    EXPECT_EQ(outrun.Stations()[furthest[4]].number, 4);
    // Its record is held for the label, yet the page's tables and diagrams leave it out.
    const Element page =
        ReadPage(BuildEvaluationReport(ControlSettings(), WithAll(std::move(outrun)), RunNotes()));
    const auto tables = page.WithId("stations")->Named("table");
    ASSERT_GE(tables.size(), 1u);
    const std::vector<int> listed = Numbers(*tables[0]);
    EXPECT_EQ(listed.size(), kMostStationsShown);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), total), 0);
    EXPECT_EQ(MarkerNumbers(ChartIn(page, "taylor", "Wind speed")).count(total), 0u);
}

// A Taylor marker read back: its ratio from the distance to the origin and its correlation
// from the angle, through the horizontal axis's tick labels (the plot keeps one scale in
// both directions) and the reference at ratio 1 on that axis.
struct TaylorReading {
    double ratio, correlation;
};

TaylorReading ReadTaylorMarker(const Element& svg, const Element& marker) {
    const Scale x = AxisScale(svg, true);
    const auto reference = Titled(svg, "Observed:");
    EXPECT_EQ(reference.size(), 1u);
    const double axisY = ReadPath(reference.at(0)->Attribute("d")).at(0).Middle().y;
    const Point p = ReadPath(marker.Attribute("d")).at(0).Middle();
    const double dx = x.Value(p.x);
    const double dy = (axisY - p.y) * x.Resolution();
    const double ratio = std::hypot(dx, dy);
    return {ratio, ratio > 0 ? dx / ratio : NAN};
}

// The outer arc: the largest radius of the arcs drawn, in ratio units.
double OuterRatio(const Element& svg) {
    const Scale x = AxisScale(svg, true);
    double largest = 0;
    for (const Element* path : svg.Named("path")) {
        for (const PathPiece& piece : ReadPath(path->Attribute("d"))) {
            for (const double r : piece.radii) {
                largest = std::max(largest, r * x.Resolution());
            }
        }
    }
    return largest;
}

// Stations near the reference fill the quarter circle instead of a corner of one rounded
// up to the next tick; one far out or all inside the reference still fit, and every marker
// reads back its ratio and correlation through the zoomed axis. (A half circle labels its
// axis on both sides of the origin, which one linear fit cannot read.)
TEST(ReportScale, TheTaylorDiagramZoomsToItsMarkersAndTheyReadRight) {
    const auto draw = [](const std::vector<chart::TaylorPoint>& points) {
        std::vector<chart::TaylorSeries> series(1);
        series[0].points = points;
        series[0].style.marker = chart::Marker::Circle;
        return ReadPage(chart::TaylorDiagram(chart::Frame{350, 0, "t", "d"}, series));
    };
    struct Case {
        std::vector<chart::TaylorPoint> points;
        double least, most;  // where the outer arc may lie: with room beyond the outermost
    };
    const std::vector<Case> cases = {
        {{{0.93, 0.95, "1", "S1"}, {1.1, 0.9, "2", "S2"}, {1.02, 0.99, "3", "S3"}}, 1.13, 1.2},
        {{{0.5, 0.7, "1", "S1"}, {0.8, 0.97, "2", "S2"}}, 1.03, 1.12},
        {{{0.9, 0.9, "1", "S1"}, {2.7, 0.6, "2", "S2"}, {1.3, 0.4, "3", "S3"}}, 2.75, 3.0},
    };
    for (const Case& c : cases) {
        const Element svg = draw(c.points);
        const double outer = OuterRatio(svg);
        EXPECT_GE(outer, c.least);
        EXPECT_LE(outer, c.most);
        for (const chart::TaylorPoint& p : c.points) {
            const auto marker = Titled(svg, p.tooltip);
            ASSERT_EQ(marker.size(), 1u) << p.tooltip;
            const TaylorReading read = ReadTaylorMarker(svg, *marker[0]);
            const double pixel = AxisScale(svg, true).Resolution();
            EXPECT_NEAR(read.ratio, p.ratio, 0.6 * pixel) << p.tooltip;
            EXPECT_NEAR(read.correlation, p.correlation, 0.6 * pixel / p.ratio) << p.tooltip;
        }
    }
}

}  // namespace
}  // namespace corvane::wxcheck
