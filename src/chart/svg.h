#pragma once

// SVG text built in memory: escaping of every outside text, compact numbers, and the few
// elements the charts draw. The result is well-formed XML that also stands inline in HTML.

#include <string>
#include <string_view>

namespace corvane::chart {

/// Appends `text` made safe as XML and HTML character data or attribute value: & < > " '
/// become references, and bytes that are not UTF-8 as well as characters XML 1.0 cannot
/// hold (controls other than tab and line ends, surrogates, U+FFFE, U+FFFF) become U+FFFD.
void AppendEscaped(std::string& out, std::string_view text);
std::string Escape(std::string_view text);

/// Appends a coordinate or length with at most one decimal, without trailing zeros and
/// never as "-0"; a value that is not finite is written as 0.
void AppendNumber(std::string& out, double value);

/// The d attribute of a path, in absolute coordinates.
class PathData {
public:
    PathData& MoveTo(double x, double y);
    PathData& LineTo(double x, double y);
    /// A circular arc of radius r to (x, y); `sweep` clockwise on the screen.
    PathData& ArcTo(double r, double x, double y, bool largeArc, bool sweep);
    PathData& Close();
    /// A zero-length piece at (x, y): a dot where the stroke has round caps.
    PathData& Dot(double x, double y);
    /// A closed rectangle (x, y) to (x + width, y + height).
    PathData& Rect(double x, double y, double width, double height);
    bool empty() const { return d_.empty(); }
    const std::string& str() const { return d_; }

private:
    PathData& Command(char c, double x, double y);
    std::string d_;
};

/// An SVG document of a fixed size. Attribute texts passed in are the chart code's own
/// (colours, widths); every text that may come from outside is escaped here.
class SvgDocument {
public:
    /// `title` names the picture and `description` says what it shows, for screen readers
    /// and as the tooltip of the whole picture.
    SvgDocument(double width, double height, std::string_view title, std::string_view description);

    void Line(double x1, double y1, double x2, double y2, std::string_view attributes);
    void Rect(double x, double y, double width, double height, std::string_view attributes);
    void Circle(double cx, double cy, double r, std::string_view attributes);
    /// A path; with a tooltip, the path carries it as its <title>.
    void Path(const PathData& d, std::string_view attributes, std::string_view tooltip = {});
    void Text(double x, double y, std::string_view text, std::string_view attributes = {});
    void OpenGroup(std::string_view attributes);
    void CloseGroup();

    /// Grows the picture downwards, for rows added below what was planned.
    void SetHeight(double height) { height_ = height; }
    double height() const { return height_; }
    double width() const { return width_; }

    /// The whole <svg> element.
    std::string Finish() const;

private:
    double width_;
    double height_;
    std::string head_;  // title and description
    std::string body_;
};

}  // namespace corvane::chart
