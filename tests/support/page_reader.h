#pragma once

// A written report read back as a reader sees it: the page as a tree of elements, its tables
// as cells under their column names, and its charts' marks through their axes' tick labels
// (picture coordinates turned back into values), so that tests compare what is drawn with
// values worked out apart from the code that draws it.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::testing {

struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;  // directly inside, references resolved
    std::vector<Element> children;

    /// The attribute's value; empty when it is absent.
    std::string Attribute(std::string_view key) const;
    /// The attribute read as a number; NaN when absent or not a number.
    double Number(std::string_view key) const;
    /// The text of the element and everything inside it, trimmed.
    std::string AllText() const;
    /// The elements below this one, in document order, for which `match` holds.
    std::vector<const Element*> Find(const std::function<bool(const Element&)>& match) const;
    std::vector<const Element*> Named(std::string_view element) const;
    /// The first element below of that name whose id attribute is `id`; nullptr if none.
    const Element* WithId(std::string_view id) const;
};

/// The page parsed as XML (the report is XHTML with inline SVG); a fault in it fails the
/// calling test and gives what was read up to there.
Element ReadPage(std::string_view text);

/// A table's cells by column name.
struct Cells {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    /// The cell of `row` under `column`; "<none>" when there is no such cell.
    std::string At(std::size_t row, std::string_view column) const;
};
Cells ReadTable(const Element& table);

struct Point {
    double x = 0;
    double y = 0;
};

/// One piece of a path (from a move to the next): its points and the radii of its arcs.
struct PathPiece {
    std::vector<Point> points;
    std::vector<double> radii;
    /// The middle of the points' bounding box: a circle's, square's or diamond's centre.
    Point Middle() const;
};
std::vector<PathPiece> ReadPath(std::string_view d);

/// A linear map from picture coordinates to values, fitted to labelled tick marks.
struct Scale {
    double offset = 0;
    double factor = 0;
    int ticks = 0;
    double Value(double pixel) const { return offset + factor * pixel; }
    double Pixel(double value) const { return (value - offset) / factor; }
    /// One picture unit in values.
    double Resolution() const { return factor < 0 ? -factor : factor; }
};

/// Tick labels as values: numbers unless told otherwise; NaN leaves a label out.
using LabelValue = std::function<double(const std::string&)>;
double NumberLabel(const std::string& label);
/// The horizontal axis (labels centred under short vertical ticks) and the vertical one
/// (labels ending left of short horizontal ticks) of a chart.
Scale HorizontalScale(const Element& svg, const LabelValue& value = NumberLabel);
Scale VerticalScale(const Element& svg);

/// The path drawn for the legend entry `name`: the one of the chart's paths (legend samples
/// apart) with the stroke and dashes of the line sample beside that entry's text.
const Element* SeriesPath(const Element& svg, std::string_view name);

/// The paths carrying a <title> that begins with `prefix` (markers with tooltips).
std::vector<const Element*> Titled(const Element& svg, std::string_view prefix);
std::string TitleOf(const Element& e);

}  // namespace corvane::testing
