#pragma once

// A written report read back as a reader sees it: the page as a tree of elements, tables as
// cells under their column names, and chart marks turned back into values through the
// axes' tick labels, so that tests compare what is drawn with values worked out apart.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::testing {

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;  // directly inside
    std::vector<Element> children;

    std::string Attribute(const std::string& key) const;  // empty when absent
    double Number(const std::string& key) const;          // NaN when absent
    /// The text of the element and all inside it, trimmed.
    std::string AllText() const;
    /// The elements below, in document order, that `match` accepts.
    std::vector<const Element*> Find(const std::function<bool(const Element&)>& match) const;
    std::vector<const Element*> Named(const std::string& element) const;
    const Element* WithId(const std::string& id) const;
    /// The text of its <title> child.
    std::string Title() const;
};

/// The page parsed as XML (XHTML with inline SVG); a fault in it fails the calling test.
Element ReadPage(const std::string& text);

struct Cells {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    /// The cell of `row` under `column`, "<none>" when there is none.
    std::string At(std::size_t row, const std::string& column) const;
};
Cells ReadTable(const Element& table);

struct Point {
    double x = 0, y = 0;
};
/// A piece of a path (from one move to the next): its points and its arcs' radii.
struct PathPiece {
    std::vector<Point> points;
    std::vector<double> radii;
    /// The middle of the points' bounding box: a circle's, square's or diamond's centre.
    Point Middle() const;
};
std::vector<PathPiece> ReadPath(const std::string& d);

/// A linear map from picture coordinates to values.
struct Scale {
    double offset = 0, factor = 0;
    double Value(double pixel) const { return offset + factor * pixel; }
    /// One picture unit in values.
    double Resolution() const { return factor < 0 ? -factor : factor; }
};
/// Least squares through (picture coordinate, value) pairs.
Scale Fit(const std::vector<std::pair<double, double>>& pairs);

double NumberLabel(const std::string& label);  // NaN unless the whole text is a number
/// The horizontal axis (labels centred below short vertical ticks) or the vertical one
/// (labels ending left of short horizontal ticks) of a chart.
Scale AxisScale(const Element& svg, bool horizontal,
                const std::function<double(const std::string&)>& label = NumberLabel);

/// Expects `drawn` at `expected` within a quarter of a picture unit: coordinates are
/// written to tenths.
void ExpectDrawn(double drawn, double expected, const Scale& scale, const std::string& what);
/// The centre of a marker's first piece, as values.
Point MarkerAt(const Element* marker, const Scale& x, const Scale& y);
/// The points of a line as values, piece by piece; a dot drawn as "h0" counts once. No
/// path (nullptr) has no pieces.
std::vector<std::vector<Point>> LineAt(const Element* path, const Scale& x, const Scale& y);

/// The path of the legend entry `name`: the chart's other path with the stroke of the line
/// sample beside that text.
const Element* SeriesPath(const Element& svg, const std::string& name);
/// The paths whose <title> begins with `prefix` (markers with tooltips).
std::vector<const Element*> Titled(const Element& svg, const std::string& prefix);

/// (observed, predicted) pairs.
using Pairs = std::vector<std::pair<double, double>>;

/// Statistics of (observed, predicted) pairs, worked out in two passes apart from the
/// engine; direction differences wrapped into (-180, 180].
struct Stats {
    double n = 0, meanO = 0, meanP = 0, bias = 0, ge = 0, rmse = 0, ioa = 0, r = 0, ratio = 0,
           slope = 0, intercept = 0;
    /// The error the charts show: the RMSE of wind speed (quantity 0), else the gross error.
    double Error(int quantity) const { return quantity == 0 ? rmse : ge; }
};
Stats StatsOf(const Pairs& pairs, bool direction = false);

}  // namespace corvane::testing
