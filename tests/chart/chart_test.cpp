#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <regex>

#include "chart/box_grid.h"
#include "chart/palette.h"
#include "chart/plot.h"
#include "chart/scale.h"
#include "chart/svg.h"
#include "chart/taylor_diagram.h"
#include "chart/wind_rose.h"

namespace corvane::chart {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Ticks(const NiceTicks& t) {
    std::string out;
    for (const std::string& label : t.Labels()) {
        out += (out.empty() ? "" : " ") + label;
    }
    return out;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(ChartTicks, HandWorkedRangesGetNiceSteps) {
    EXPECT_EQ(Ticks(ComputeNiceTicks(0, 7.3)), "0 2 4 6 8");
    EXPECT_EQ(Ticks(ComputeNiceTicks(-0.04, 0.13)), "-0.05 0.00 0.05 0.10 0.15");
    EXPECT_EQ(Ticks(ComputeNiceTicks(273.1, 301.6)), "270 275 280 285 290 295 300 305");
    // One value, or all values equal: a range around it, never a zero-width axis.
    EXPECT_EQ(Ticks(ComputeNiceTicks(5, 5)), "4.50 4.75 5.00 5.25 5.50");
    EXPECT_EQ(Ticks(ComputeNiceTicks(0, 0)), "-1.0 -0.5 0.0 0.5 1.0");
    EXPECT_EQ(Ticks(ComputeNiceTicks(Extent())), "0.0 0.2 0.4 0.6 0.8 1.0");
    // Tiny and huge magnitudes share one exponent, so the labels line up.
    EXPECT_EQ(Ticks(ComputeNiceTicks(1e-6, 1e-6)), "0.90e-6 0.95e-6 1.00e-6 1.05e-6 1.10e-6");
    EXPECT_EQ(Ticks(ComputeNiceTicks(0, 1e6)), "0 200000 400000 600000 800000 1000000");
    EXPECT_EQ(Ticks(ComputeNiceTicks(2e9, 7.3e9)), "2e9 3e9 4e9 5e9 6e9 7e9 8e9");
}

TEST(ChartTicks, AnyRangeGetsFourToEightTicksOfAllowedStepsCoveringIt) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> exponent(-8, 8);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int i = 0; i < 2000; ++i) {
        const double scale = std::pow(10.0, exponent(random));
        double lo = unit(random) * scale;
        double hi = lo + std::fabs(unit(random)) * scale;
        const NiceTicks t = ComputeNiceTicks(lo, hi);
        SCOPED_TRACE(std::to_string(lo) + " to " + std::to_string(hi));
        ASSERT_GE(t.values.size(), 4u);
        ASSERT_LE(t.values.size(), 8u);
        EXPECT_TRUE(t.mantissa == 1 || t.mantissa == 2 || t.mantissa == 2.5 || t.mantissa == 5);
        EXPECT_LE(t.lo, lo + std::fabs(lo) * 1e-9 + t.step * 1e-6);
        EXPECT_GE(t.hi, hi - std::fabs(hi) * 1e-9 - t.step * 1e-6);
        const std::vector<std::string> labels = t.Labels();
        for (std::size_t k = 1; k < labels.size(); ++k) {
            EXPECT_NE(labels[k], labels[k - 1]);
        }
    }
}

TEST(ChartSvg, EscapesMarkupAndReplacesWhatXmlCannotHold) {
    EXPECT_EQ(Escape("<script>alert(1)</script>"), "&lt;script&gt;alert(1)&lt;/script&gt;");
    EXPECT_EQ(Escape("a&b \"c\" 'd'"), "a&amp;b &quot;c&quot; &#39;d&#39;");
    EXPECT_EQ(Escape("Z\xC3\xBCrich \xE6\x9D\xB1 \xF0\x9F\x98\x80\t"),
              "Z\xC3\xBCrich \xE6\x9D\xB1 \xF0\x9F\x98\x80\t");
    const std::string bad = "\xEF\xBF\xBD";
    // A cut sequence, a stray byte, an overlong '/', a surrogate, a control, U+FFFF.
    EXPECT_EQ(Escape("a\xC3"), "a" + bad);
    EXPECT_EQ(Escape("\xFF/"), bad + "/");
    EXPECT_EQ(Escape("\xC0\xAF"), bad + bad);
    EXPECT_EQ(Escape("\xED\xA0\x80"), bad + bad + bad);
    EXPECT_EQ(Escape(std::string("x\x01y\x7F", 4)), "x" + bad + "y" + bad);
    EXPECT_EQ(Escape("\xEF\xBF\xBF"), bad);
}

TEST(ChartSvg, NumbersAreShortAndNeverNegativeZero) {
    const auto number = [](double v) {
        std::string out;
        AppendNumber(out, v);
        return out;
    };
    EXPECT_EQ(number(12), "12");
    EXPECT_EQ(number(-3.46), "-3.5");
    EXPECT_EQ(number(-0.96), "-1");
    EXPECT_EQ(number(-0.04), "0");
    EXPECT_EQ(number(0.05), "0.1");
    EXPECT_EQ(number(kNaN), "0");
    EXPECT_EQ(number(1e300), "1000000");
}

Axis UnitAxis() {
    return NiceAxis(
        [] {
            Extent e;
            e.Add(0);
            e.Add(10);
            return e;
        }(),
        "value");
}

TEST(ChartPlot, AValueThatIsNotFiniteBreaksTheLineAndALonePointStaysADot) {
    Plot plot(Frame{300, 200, "t", "d"}, UnitAxis(), UnitAxis());
    const std::vector<double> x = {0, 1, 2, 3, 4, 5, 6};
    const std::vector<double> y = {1, 2, kNaN, 4, kNaN, 5, 6};
    SeriesStyle style;
    plot.Line(x, y, style);
    const std::string svg = plot.Finish();
    const std::size_t start = svg.find("<path d=\"");
    const std::string d = svg.substr(start, svg.find('"', start + 9) - start);
    EXPECT_EQ(Count(d, "M"), 3u) << d;  // 0-1, the lone 3, 5-6
    EXPECT_EQ(Count(d, "h0"), 1u) << d;
    EXPECT_EQ(Count(d, "L"), 2u) << d;
}

// A level line is drawn from the lower to the upper edge of the axis, both included.
TEST(ChartPlot, LevelLinesOnTheAxisEdgesAreDrawn) {
    for (const auto& [level, drawn] : {std::pair{0.0, 1u}, {10.0, 1u}, {-0.1, 0u}}) {
        Plot plot(Frame{300, 200, "t", "d"}, UnitAxis(), UnitAxis());
        plot.HorizontalLine(level, "#123456");
        EXPECT_EQ(Count(plot.Finish(), "stroke=\"#123456\""), drawn) << level;
    }
}

TEST(ChartPlot, LabelsNeverOverlapAndTooltipsAreEscaped) {
    Plot plot(Frame{300, 200, "t", "d"}, UnitAxis(), UnitAxis());
    std::vector<LabelledPoint> points;
    for (int i = 0; i < 6; ++i) {
        points.push_back({5, 5, std::to_string(10 + i), "<b>" + std::to_string(i) + "</b>"});
    }
    SeriesStyle style;
    style.marker = Marker::Circle;
    plot.Points(points, style);
    const std::string svg = plot.Finish();
    EXPECT_EQ(Count(svg, "<title>&lt;b&gt;"), 6u);
    // One marker spot offers four places for a label; the others are left out.
    const std::size_t labels = svg.rfind("<g font-size=\"11\" fill=\"#222222\">");
    EXPECT_EQ(Count(svg.substr(labels, svg.find("</g>", labels) - labels), "<text"), 4u) << svg;
}

// The grid answers as asking every box placed would: boxes beyond the area, of no width,
// repeated, crowded or not numbers, and queries that only touch a box's edge.
TEST(ChartPlot, TheGridOfPlacedBoxesAnswersAsAskingEveryBox) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(-40, 340);
    std::uniform_real_distribution<double> size(0, 30);
    const auto box = [&] {
        const double x = at(random), y = at(random) * 0.7;
        return PlacedBox{x, y, x + size(random), y + size(random) * 0.5};
    };
    BoxGrid grid(30, 20, 290, 210);
    std::vector<PlacedBox> placed;
    const auto add = [&](const PlacedBox& b) {
        grid.Add(b);
        placed.push_back(b);
    };
    add({100, 100, 100, 100});  // a marker of radius 0
    add({kNaN, 0, 10, 10});
    add({-1e300, 50, 1e300, 51});
    for (int i = 0; i < 3000; ++i) {
        const PlacedBox b = box();
        const bool brute = std::any_of(placed.begin(), placed.end(),
                                       [&](const PlacedBox& o) { return o.Overlaps(b); });
        ASSERT_EQ(grid.Overlaps(b), brute) << i << ": " << b.x0 << " " << b.y0;
        // A query on a placed box's edge only touches it.
        const PlacedBox& last = placed.back();
        const PlacedBox edge{last.x1, last.y0, last.x1 + 5, last.y1};
        ASSERT_EQ(grid.Overlaps(edge),
                  std::any_of(placed.begin(), placed.end(),
                              [&](const PlacedBox& o) { return o.Overlaps(edge); }))
            << i;
        if (i % 3 != 0 || i < 1500) {  // crowd the area, with repeats
            add(i % 5 == 0 ? placed.back() : b);
        }
    }
    EXPECT_TRUE(grid.Overlaps({99, 99, 101, 101}));
    EXPECT_FALSE(grid.Overlaps({kNaN, 0, 400, 400}));

    // Cells wholly covered answer at once, but not for what only touches them or lies
    // beyond the grid's edge in them.
    BoxGrid cells(30, 20, 290, 210);
    cells.Add({50, 20, 70, 40});
    cells.Add({30, 100, 40, 110});
    cells.Add({0, 100, 10, 110});
    EXPECT_FALSE(cells.Overlaps({40, 25, 50, 30}));
    EXPECT_TRUE(cells.Overlaps({40, 25, 50.1, 30}));
    EXPECT_TRUE(cells.Overlaps({5, 102, 8, 104}));
    EXPECT_FALSE(cells.Overlaps({12, 102, 20, 104}));
}

TEST(ChartPlot, HistogramCellsAreClassedWithALegendAndOutliersPinnedToTheEdge) {
    HistogramGrid grid(0, 10, 0, 10, 10, 10);
    grid.Add(0.5, 0.5);
    grid.Add(-50, 0.2);  // left of the grid: first column
    grid.Add(9.99, 100);
    grid.Add(10, 0.5);  // on the upper edge: the last column
    grid.Add(kNaN, 1);  // never counted
    EXPECT_EQ(grid.counts[0], 2u);
    EXPECT_EQ(grid.counts[9], 1u);
    EXPECT_EQ(grid.counts[99], 1u);
    for (int i = 0; i < 40; ++i) {
        grid.Add(5.5, 5.5);
    }
    Plot plot(Frame{300, 200, "t", "d"}, UnitAxis(), UnitAxis());
    plot.Histogram(grid, "Pairs per cell:");
    const std::string svg = plot.Finish();
    EXPECT_NE(svg.find("Pairs per cell:"), std::string::npos);
    // Classes grow geometrically from 1 to the largest count: 1-2, 3-4, ..., 23-40.
    EXPECT_NE(svg.find(">1\xE2\x80\x93"
                       "2<"),
              std::string::npos);
    EXPECT_NE(svg.find(">23\xE2\x80\x93"
                       "40<"),
              std::string::npos);
    EXPECT_EQ(Count(svg, "shape-rendering"), 2u);  // the two classes that have cells
}

// Wide labels thin out on the horizontal axis; a plot of one quantity against itself thins
// its vertical axis alike, so that both read in the same steps.
TEST(ChartPlot, TwoAxesOfOneQuantityLabelTheSameTicks) {
    Extent e;
    e.Add(0);
    e.Add(1e6);
    const Axis wide = NiceAxis(e, "value");
    Extent other;
    other.Add(0);
    other.Add(1.1e6);
    for (const auto& [y, same] : {std::pair{wide, true}, std::pair{NiceAxis(other, "v"), false}}) {
        Plot plot(Frame{300, 300, "t", "d"}, wide, y);
        const std::string svg = plot.Finish();
        const std::string axes = svg.substr(0, svg.find("</g>"));
        const std::size_t x = Count(axes, "text-anchor=\"middle\"");
        const std::size_t v = Count(axes, "text-anchor=\"end\"");
        EXPECT_LT(x, wide.ticks.size());  // thinned
        EXPECT_EQ(x == v, same) << x << " " << v;
    }
}

// Data recorded to 0.1 on cells of 0.1: every value lies on an edge, and each must land in
// the cell above it, however the subtraction rounds, or columns stay empty in stripes.
TEST(ChartPlot, HistogramValuesOnCellEdgesLandInTheCellAbove) {
    HistogramGrid grid(-4, 4, -4, 4, 80, 80);
    for (int k = 0; k < 80; ++k) {
        grid.Add(-4 + k / 10.0, 0.05);
    }
    for (int column = 0; column < 80; ++column) {
        EXPECT_EQ(grid.counts[40 * 80 + static_cast<std::size_t>(column)], 1u) << column;
    }
}

// The ring values run along the gap between the shortest petals: here east-north-east to
// east, where there are none.
TEST(ChartRose, RingLabelsRunWhereThePetalsAreShortest) {
    WindRoseData data;
    data.hours = 100;
    data.percent.assign(1, {});
    for (std::size_t s = 0; s < kRoseSectors; ++s) {
        data.percent[0][s] = s == 3 || s == 4 ? 0 : 6;
    }
    const std::string rose = WindRose(Frame{300, 300, "t", "d"}, data, LongestPetal(data));
    const std::size_t calm = rose.find(">calm</text>");
    ASSERT_NE(calm, std::string::npos);
    const std::size_t calmText = rose.rfind("<text", calm);
    const double cx = std::stod(rose.substr(rose.find("x=\"", calmText) + 3));
    const double cy = std::stod(rose.substr(rose.find("y=\"", calmText) + 3)) - 11;
    const std::size_t group = rose.find("text-anchor=\"middle\" stroke=\"#FFFFFF\"");
    ASSERT_NE(group, std::string::npos);
    int rings = 0;
    for (std::size_t at = rose.find("<text", group); at < rose.find("</g>", group);
         at = rose.find("<text", at + 1)) {
        const double x = std::stod(rose.substr(rose.find("x=\"", at) + 3)) - cx;
        const double y = std::stod(rose.substr(rose.find("y=\"", at) + 3)) - 4 - cy;
        EXPECT_GT(x, 20);                      // east of the centre
        EXPECT_NEAR(y, -x * 0.19891, 1) << x;  // along 78.75 degrees
        ++rings;
    }
    EXPECT_GE(rings, 3);
}

TEST(ChartRose, SectorsAreCentredOnNorth) {
    EXPECT_EQ(RoseSector(359), 0);
    EXPECT_EQ(RoseSector(0), 0);
    EXPECT_EQ(RoseSector(360), 0);
    EXPECT_EQ(RoseSector(11.2499), 0);
    EXPECT_EQ(RoseSector(11.25), 1);
    EXPECT_EQ(RoseSector(348.75), 0);
    EXPECT_EQ(RoseSector(348.7499), 15);
    EXPECT_EQ(RoseSector(180), 8);
    EXPECT_EQ(RoseSector(-12), 15);
    EXPECT_EQ(RoseSector(-30), 15);
    EXPECT_EQ(RoseSector(kNaN), -1);
}

TEST(ChartPolar, EmptyChartsSayWhyAndNegativeCorrelationsOpenTheHalfCircle) {
    WindRoseData none;
    EXPECT_NE(WindRose(Frame{300, 300, "t", "d"}, none, 0).find(">no pairs<"), std::string::npos);
    EXPECT_NE(TaylorDiagram(Frame{300, 0, "t", "d"}, {}, "no spread").find(">no spread<"),
              std::string::npos);
    // Every hour calm: no rings to label (no "0.2e-9%"), and the rose says so.
    WindRoseData calm;
    calm.hours = 10;
    calm.calmPercent = 100;
    calm.percent.assign(5, {});
    const std::string rose = WindRose(Frame{300, 300, "t", "d"}, calm, 0);
    EXPECT_EQ(Count(rose, "%<"), 1u) << rose;  // the calm percentage only
    EXPECT_NE(rose.find(">100.0%<"), std::string::npos);
    EXPECT_NE(rose.find(">every hour calm<"), std::string::npos);

    const TaylorPosition at = TaylorPlace(2, 0.5);
    EXPECT_DOUBLE_EQ(at.x, 1);
    EXPECT_DOUBLE_EQ(at.y, std::sqrt(3.0));
    std::vector<TaylorSeries> series(1);
    series[0].points = {{1, 0.8, "1", ""}};
    const std::string quarter = TaylorDiagram(Frame{300, 0, "t", "d"}, series);
    series[0].points.push_back({1, -0.5, "2", ""});
    series[0].points.push_back({1, -1, "3", "opposite"});
    series[0].style.marker = Marker::Circle;
    const std::string half = TaylorDiagram(Frame{300, 0, "t", "d"}, series);
    EXPECT_EQ(quarter.find(">-0.5<"), std::string::npos);
    EXPECT_NE(half.find(">-0.5<"), std::string::npos);
    EXPECT_NE(half.find("<title>opposite</title>"), std::string::npos);
}

// What a Taylor diagram shows: its arcs' labels, the stations' labels, the circles'
// centres and the horizontal axis, in pixels.
struct TaylorPicture {
    struct Text {
        double x, y;
        std::string text;
    };
    std::vector<Text> arcs, names;
    std::vector<std::pair<double, double>> marks;
    double axis = 0;
};

TaylorPicture ReadTaylor(const std::string& svg) {
    TaylorPicture picture;
    const auto texts = [&](const std::string& start) {
        std::vector<TaylorPicture::Text> out;
        const std::size_t at = svg.find(start);
        EXPECT_NE(at, std::string::npos) << start;
        const std::string part =
            at == std::string::npos ? std::string() : svg.substr(at, svg.find("</g>", at) - at);
        const std::regex text(R"re(<text x="([-0-9.]+)" y="([-0-9.]+)"[^>]*>([^<]*)<)re");
        for (std::sregex_iterator i(part.begin(), part.end(), text), end; i != end; ++i) {
            out.push_back({std::stod((*i)[1]), std::stod((*i)[2]), (*i)[3]});
        }
        return out;
    };
    picture.arcs = texts("fill=\"" + std::string(kBluishGreen) + "\" text");
    picture.names = texts("<g font-size=\"11\" fill=\"#222222\"");
    const std::regex circle(R"re(<path d="M([-0-9.]+) ([-0-9.]+)A([0-9.]+) \3 0 1 0 )re");
    for (std::sregex_iterator i(svg.begin(), svg.end(), circle), end; i != end; ++i) {
        picture.marks.push_back({std::stod((*i)[1]) + std::stod((*i)[3]), std::stod((*i)[2])});
    }
    // The reference's square, "M x y h6.3...": its middle is the horizontal axis.
    const std::regex square(R"re(<path d="M[-0-9.]+ ([-0-9.]+)h([0-9.]+))re");
    std::smatch reference;
    EXPECT_TRUE(std::regex_search(svg, reference, square));
    picture.axis = reference.empty() ? 0 : std::stod(reference[1]) + std::stod(reference[2]) / 2;
    return picture;
}

// Stations of a good model sit near the reference, where the small arcs meet the outer
// edge: the arcs' labels move along their arcs off the markers, never onto the axis, and
// every station keeps its own label.
TEST(ChartPolar, ArcLabelsOfTheTaylorDiagramLeaveTheStationsReadable) {
    std::vector<TaylorSeries> series(1);
    series[0].style.marker = Marker::Circle;
    series[0].points = {{1.0, 0.984, "1", ""}, {1.0, 0.929, "2", ""}, {0.9, 0.96, "3", ""}};
    const TaylorPicture good = ReadTaylor(TaylorDiagram(Frame{350, 0, "t", "d"}, series));
    ASSERT_GE(good.arcs.size(), 3u);
    ASSERT_EQ(good.marks.size(), 3u);
    // A label's text spans about 7 px a character, from its baseline 8 px up.
    for (const TaylorPicture::Text& a : good.arcs) {
        const double half = 3.5 * static_cast<double>(a.text.size());
        for (const auto& [x, y] : good.marks) {
            EXPECT_FALSE(x > a.x - half - 4 && x < a.x + half + 4 && y > a.y - 12 && y < a.y + 4)
                << "arc label " << a.text << " at " << a.x << "," << a.y << " covers a station";
        }
    }
    std::string shown;
    for (const TaylorPicture::Text& n : good.names) {
        shown += n.text;
    }
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, "123");

    // Stations along the whole 0.2 arc but its foot leave its label no room but by the axis.
    series[0].points.clear();
    for (double t = 48; t <= 180; t += 8) {
        const double x = 1 - 0.2 * std::cos(t * std::numbers::pi / 180);
        const double y = 0.2 * std::sin(t * std::numbers::pi / 180);
        series[0].points.push_back({std::hypot(x, y), x / std::hypot(x, y), "", ""});
    }
    const TaylorPicture crowded = ReadTaylor(TaylorDiagram(Frame{350, 0, "t", "d"}, series));
    for (const TaylorPicture* picture : {&good, &crowded}) {
        for (const TaylorPicture::Text& a : picture->arcs) {
            EXPECT_LT(a.y, picture->axis - 6) << "arc label " << a.text << " on the axis";
        }
    }
}

}  // namespace
}  // namespace corvane::chart
