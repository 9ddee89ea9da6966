#pragma once

// A chart on a rectangular drawing area: cartesian axes with ticks and grid, lines with
// gaps, markers with labels and tooltips, straight reference lines, boxes, a 2-D histogram
// and a legend below the picture. Polar charts use the same area without the axes.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chart/scale.h"
#include "chart/svg.h"

namespace corvane::chart {

enum class Marker { None, Circle, Square, Triangle, Diamond };

struct SeriesStyle {
    /// The legend's text; empty keeps the series out of the legend.
    std::string name;
    const char* colour = "#000000";
    /// stroke-dasharray of a line, e.g. "6 3"; empty for a solid line.
    const char* dash = "";
    Marker marker = Marker::None;
    double lineWidth = 1.5;
    double markerRadius = 3.5;
    /// Below 1, markers let those beneath show through (dense clouds of points).
    double markerOpacity = 1;
    /// An outline without fill, so that markers beneath it stay in sight.
    bool hollow = false;
};

/// A marker at (x, y) with a short label beside it (placed where it hides nothing, or left
/// out) and a tooltip.
struct LabelledPoint {
    double x = 0;
    double y = 0;
    std::string label;
    std::string tooltip;
    /// Labelled before the others of its call, and drawn even where no free place is left.
    bool always = false;
};

/// Counts of pairs on a grid of cells over [xLo, xHi] x [yLo, yHi]; row 0 lies at yLo.
struct HistogramGrid {
    double xLo = 0;
    double xHi = 1;
    double yLo = 0;
    double yHi = 1;
    int columns = 0;
    int rows = 0;
    std::vector<std::uint32_t> counts;  // row by row

    HistogramGrid() = default;
    HistogramGrid(double xLo, double xHi, double yLo, double yHi, int columns, int rows);
    /// Counts a pair; one outside the grid goes to the nearest edge cell, one on the edge
    /// between two cells to the upper.
    void Add(double x, double y) {
        if (columns > 0 && rows > 0 && x - x == 0 && y - y == 0) {  // finite
            ++counts[static_cast<std::size_t>(Cell(y, yLo, yScale_, rows)) *
                         static_cast<std::size_t>(columns) +
                     static_cast<std::size_t>(Cell(x, xLo, xScale_, columns))];
        }
    }

private:
    static int Cell(double v, double lo, double scale, int n) {
        // A value on an edge belongs to the cell above it, also when rounding puts it a
        // hair below (0.3 on cells of 0.1 is 2.9999999999999996 cells): a millionth of a
        // cell is far finer than any grid that values are recorded on.
        const double position = (v - lo) * scale + 1e-6;
        return position < 0 ? 0 : position >= n ? n - 1 : static_cast<int>(position);
    }
    double xScale_ = 0;  // cells per unit
    double yScale_ = 0;
};

struct Frame {
    double width = 350;
    double height = 320;  // without the legend, which adds rows below
    std::string title;
    std::string description;
    /// The least left margin of a cartesian plot, so that charts stacked one above the
    /// other start their plot areas at one x.
    double minLeft = 0;
};

struct Margins {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

/// An estimate of the width of `text` in pixels at `size` (no font metrics at hand): wide
/// enough for digits and most letters of the fonts the charts name.
double TextWidth(std::string_view text, double size);

/// The margins a cartesian plot leaves for its title, tick labels and axis titles.
Margins CartesianMargins(const Axis& x, const Axis& y);

class Plot {
public:
    /// A chart with cartesian axes; the margins follow the tick labels.
    Plot(const Frame& frame, const Axis& x, const Axis& y);
    /// A bare drawing area within fixed margins, for polar charts.
    Plot(const Frame& frame, const Axis& x, const Axis& y, const Margins& margins);

    double X(double value) const { return x_(value); }
    double Y(double value) const { return y_(value); }
    double Left() const { return left_; }
    double Right() const { return right_; }
    double Top() const { return top_; }
    double Bottom() const { return bottom_; }
    SvgDocument& svg() { return svg_; }

    /// A line through (x[i], y[i]); a point that is not finite breaks it, and a point
    /// between two breaks shows as a dot.
    void Line(std::span<const double> x, std::span<const double> y, const SeriesStyle& style);
    /// Markers only, without labels or tooltips (many points, one path).
    void Dots(std::span<const double> x, std::span<const double> y, const SeriesStyle& style);
    /// Markers with labels and tooltips, drawn in the given order (the last on top). The
    /// labels are placed when the picture is finished, around every marker: those of a later
    /// call first, since what is drawn on top matters most.
    void Points(std::span<const LabelledPoint> points, const SeriesStyle& style);
    /// y = intercept + slope x across the plot.
    void StraightLine(double intercept, double slope, const SeriesStyle& style);
    /// A horizontal line at y, for a zero line.
    void HorizontalLine(double y, const char* colour);
    /// A shaded box between two corners, with a dashed outline.
    void Box(double x0, double y0, double x1, double y1, const char* colour, std::string_view name);
    /// Cells shaded by count in up to six classes, light to dark, with a legend row.
    void Histogram(const HistogramGrid& grid, std::string_view legendTitle);
    /// Why the area is empty ("no pairs", "no spread"), in its middle.
    void NoData(std::string_view reason = "no data");
    /// A box (in pixels) of text the chart drew itself, which marker labels keep clear of.
    void Reserve(double x0, double y0, double x1, double y1) {
        occupied_.push_back({x0, y0, x1, y1});
    }

    /// Legend entries beyond those the series add.
    void AddLegendLine(const SeriesStyle& style);
    void AddLegendSwatch(const char* fill, std::string_view name);
    void AddLegendText(std::string_view text);

    /// The picture, with the legend rows below it.
    std::string Finish();

private:
    struct LegendEntry {
        enum Kind { kLine, kMarker, kSwatch, kOutline, kText, kBreak } kind;
        SeriesStyle style;
        std::string text;
    };
    struct Box2 {
        double x0, y0, x1, y1;
        bool Overlaps(const Box2& o) const {
            return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1;
        }
    };

    struct PendingLabel {
        double x, y, radius;
        std::string text;
        int layer;  // the Points call that added it
        bool always = false;
    };

    void DrawAxes();
    void DrawLabels();
    void DrawLegend();

    SvgDocument svg_;
    Axis xAxis_;
    Axis yAxis_;
    double left_ = 0;
    double top_ = 0;
    double right_ = 0;
    double bottom_ = 0;
    LinearScale x_{0, 1, 0, 1};
    LinearScale y_{0, 1, 0, 1};
    std::vector<LegendEntry> legend_;
    std::vector<Box2> occupied_;  // markers and labels placed so far
    std::vector<PendingLabel> labels_;
    int layers_ = 0;
};

/// Appends the outline of a marker centred at (x, y).
void AppendMarker(PathData& path, Marker marker, double x, double y, double radius);

/// Attribute text of a series drawn as a line: stroke, width, dashes, no fill.
std::string LineAttributes(const SeriesStyle& style);
/// The fill (and outline) of a series' markers.
std::string MarkerAttributes(const SeriesStyle& style);

}  // namespace corvane::chart
