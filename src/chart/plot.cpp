#include "chart/plot.h"

#include <algorithm>
#include <cmath>

#include "chart/palette.h"

namespace corvane::chart {

namespace {

constexpr double kTitleHeight = 28;
constexpr double kTickLength = 4;
constexpr double kTickFont = 11;

bool Finite(double v) {
    return std::isfinite(v);
}

std::string Number(double value) {
    std::string out;
    AppendNumber(out, value);
    return out;
}

}  // namespace

double TextWidth(std::string_view text, double size) {
    std::size_t characters = 0;
    for (const char c : text) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return static_cast<double>(characters) * size * 0.6;
}

HistogramGrid::HistogramGrid(double xLo_, double xHi_, double yLo_, double yHi_, int columns_,
                             int rows_)
    : xLo(xLo_),
      xHi(xHi_),
      yLo(yLo_),
      yHi(yHi_),
      columns(columns_),
      rows(rows_),
      counts(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0),
      xScale_(xHi_ > xLo_ ? columns_ / (xHi_ - xLo_) : 0),
      yScale_(yHi_ > yLo_ ? rows_ / (yHi_ - yLo_) : 0) {}

void AppendMarker(PathData& path, Marker marker, double x, double y, double r) {
    switch (marker) {
        case Marker::None:
            break;
        case Marker::Circle:
            path.MoveTo(x - r, y).ArcTo(r, x + r, y, true, false).ArcTo(r, x - r, y, true, false);
            path.Close();
            break;
        case Marker::Square:
            path.Rect(x - r * 0.9, y - r * 0.9, r * 1.8, r * 1.8);
            break;
        case Marker::Triangle:
            path.MoveTo(x, y - r * 1.25).LineTo(x + r * 1.1, y + r * 0.75);
            path.LineTo(x - r * 1.1, y + r * 0.75).Close();
            break;
        case Marker::Diamond:
            path.MoveTo(x, y - r * 1.3).LineTo(x + r * 1.1, y).LineTo(x, y + r * 1.3);
            path.LineTo(x - r * 1.1, y).Close();
            break;
    }
}

std::string LineAttributes(const SeriesStyle& style) {
    std::string out = "fill=\"none\" stroke=\"";
    out += style.colour;
    out += "\" stroke-width=\"" + Number(style.lineWidth) +
           "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    if (style.dash[0] != '\0') {
        out += " stroke-dasharray=\"";
        out += style.dash;
        out += '"';
    }
    return out;
}

std::string MarkerAttributes(const SeriesStyle& style) {
    std::string out = "fill=\"";
    if (style.hollow) {
        out += "none\" stroke=\"";
        out += style.colour;
        out += "\" stroke-width=\"2\"";
        return out;
    }
    out += style.colour;
    out += '"';
    if (style.markerOpacity < 1) {
        out += " fill-opacity=\"" + Number(style.markerOpacity) + '"';
    } else {
        out += " stroke=\"#FFFFFF\" stroke-width=\"0.8\"";
    }
    return out;
}

Plot::Plot(const Frame& frame, const Axis& x, const Axis& y, const Margins& margins)
    : svg_(frame.width, frame.height, frame.title, frame.description),
      xAxis_(x),
      yAxis_(y),
      left_(margins.left),
      top_(margins.top),
      right_(frame.width - margins.right),
      bottom_(frame.height - margins.bottom),
      x_(x.lo, x.hi, left_, right_),
      y_(y.lo, y.hi, bottom_, top_) {
    svg_.Text(8, 18, frame.title, "font-size=\"13\" font-weight=\"bold\"");
}

// Room for the tick labels and axis titles, so that no text is cut off.
Margins CartesianMargins(const Axis& x, const Axis& y) {
    double widest = 0;
    for (const Tick& t : y.ticks) {
        widest = std::max(widest, TextWidth(t.label, kTickFont));
    }
    const double lastX = x.ticks.empty() ? 0 : TextWidth(x.ticks.back().label, kTickFont);
    return {8 + 16 + widest + kTickLength + 4, kTitleHeight + 6, std::max(14.0, lastX / 2 + 6), 48};
}

namespace {

Margins AtLeft(Margins m, double left) {
    m.left = std::max(m.left, left);
    return m;
}

}  // namespace

Plot::Plot(const Frame& frame, const Axis& x, const Axis& y)
    : Plot(frame, x, y, AtLeft(CartesianMargins(x, y), frame.minLeft)) {
    DrawAxes();
}

void Plot::DrawAxes() {
    const std::string gridLine = std::string("stroke=\"") + kGrid + "\" stroke-width=\"1\"";
    const std::string tickLine = std::string("stroke=\"") + kAxis + "\" stroke-width=\"1\"";
    // Every tick gets a grid line; labels are thinned where they would touch.
    const auto stride = [](const std::vector<Tick>& ticks, double spacing, bool horizontal) {
        double widest = 0;
        for (const Tick& t : ticks) {
            widest = std::max(widest, horizontal ? TextWidth(t.label, kTickFont) : kTickFont);
        }
        std::size_t every = 1;
        while (every < ticks.size() && widest + 6 > spacing * static_cast<double>(every)) {
            ++every;
        }
        return every;
    };
    const auto spacing = [](const Axis& a, const LinearScale& s) {
        return a.ticks.size() < 2 ? 1e9 : std::fabs(s(a.ticks[1].value) - s(a.ticks[0].value));
    };
    svg_.OpenGroup("font-size=\"11\" fill=\"#333333\"");
    std::size_t everyX = stride(xAxis_.ticks, spacing(xAxis_, x_), true);
    std::size_t everyY = stride(yAxis_.ticks, spacing(yAxis_, y_), false);
    // Two axes of one quantity (a scatter of predicted against observed) label the same
    // ticks, so that their steps read alike.
    const auto sameTicks = [](const std::vector<Tick>& a, const std::vector<Tick>& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](const Tick& s, const Tick& t) {
                   return s.value == t.value && s.label == t.label;
               });
    };
    if (sameTicks(xAxis_.ticks, yAxis_.ticks)) {
        everyX = everyY = std::max(everyX, everyY);
    }
    for (std::size_t i = 0; i < xAxis_.ticks.size(); ++i) {
        const double px = X(xAxis_.ticks[i].value);
        svg_.Line(px, top_, px, bottom_, gridLine);
        svg_.Line(px, bottom_, px, bottom_ + kTickLength, tickLine);
        if (i % everyX == 0) {
            svg_.Text(px, bottom_ + kTickLength + 12, xAxis_.ticks[i].label,
                      "text-anchor=\"middle\"");
        }
    }
    for (std::size_t i = 0; i < yAxis_.ticks.size(); ++i) {
        const double py = Y(yAxis_.ticks[i].value);
        svg_.Line(left_, py, right_, py, gridLine);
        svg_.Line(left_ - kTickLength, py, left_, py, tickLine);
        if (i % everyY == 0) {
            svg_.Text(left_ - kTickLength - 3, py + 4, yAxis_.ticks[i].label,
                      "text-anchor=\"end\"");
        }
    }
    svg_.CloseGroup();
    svg_.Rect(left_, top_, right_ - left_, bottom_ - top_,
              std::string("fill=\"none\" stroke=\"") + kAxis + "\" stroke-width=\"1\"");
    svg_.Text((left_ + right_) / 2, bottom_ + kTickLength + 30, xAxis_.label,
              "text-anchor=\"middle\"");
    const double yx = 8 + 11;
    const double yy = (top_ + bottom_) / 2;
    svg_.Text(
        yx, yy, yAxis_.label,
        "text-anchor=\"middle\" transform=\"rotate(-90 " + Number(yx) + " " + Number(yy) + ")\"");
}

void Plot::Line(std::span<const double> x, std::span<const double> y, const SeriesStyle& style) {
    PathData path;
    PathData marks;
    const std::size_t n = std::min(x.size(), y.size());
    std::size_t run = 0;  // points in the current piece of the line
    double firstX = 0;
    double firstY = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        const bool present = i < n && Finite(x[i]) && Finite(y[i]);
        if (!present) {
            if (run == 1) {
                path.Dot(firstX, firstY);  // a lone point: a dot from the round cap
            }
            run = 0;
            continue;
        }
        const double px = X(x[i]);
        const double py = Y(y[i]);
        if (run == 0) {
            firstX = px;
            firstY = py;
        } else {
            if (run == 1) {
                path.MoveTo(firstX, firstY);
            }
            path.LineTo(px, py);
        }
        ++run;
        AppendMarker(marks, style.marker, px, py, style.markerRadius);
    }
    svg_.Path(path, LineAttributes(style));
    svg_.Path(marks, MarkerAttributes(style));
    if (!style.name.empty()) {
        legend_.push_back({LegendEntry::kLine, style, style.name});
    }
}

void Plot::Dots(std::span<const double> x, std::span<const double> y, const SeriesStyle& style) {
    // Round dots are zero-length strokes with round caps: a few bytes a point, where many
    // points may come.
    const bool round = style.marker == Marker::Circle;
    PathData marks;
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (Finite(x[i]) && Finite(y[i])) {
            if (round) {
                marks.Dot(X(x[i]), Y(y[i]));
            } else {
                AppendMarker(marks, style.marker, X(x[i]), Y(y[i]), style.markerRadius);
            }
        }
    }
    if (round) {
        svg_.Path(marks, std::string("fill=\"none\" stroke=\"") + style.colour +
                             "\" stroke-linecap=\"round\" stroke-width=\"" +
                             Number(2 * style.markerRadius) + "\" stroke-opacity=\"" +
                             Number(style.markerOpacity) + '"');
    } else {
        svg_.Path(marks, MarkerAttributes(style));
    }
    if (!style.name.empty()) {
        legend_.push_back({LegendEntry::kMarker, style, style.name});
    }
}

void Plot::Points(std::span<const LabelledPoint> points, const SeriesStyle& style) {
    svg_.OpenGroup(MarkerAttributes(style));
    const int layer = layers_++;
    for (const LabelledPoint& p : points) {
        if (!Finite(p.x) || !Finite(p.y)) {
            continue;
        }
        const double px = X(p.x);
        const double py = Y(p.y);
        PathData mark;
        AppendMarker(mark, style.marker, px, py, style.markerRadius);
        svg_.Path(mark, {}, p.tooltip);
        const double r = style.markerRadius * 1.3;
        occupied_.push_back({px - r, py - r, px + r, py + r});
        if (!p.label.empty()) {
            labels_.push_back({px, py, r, p.label, layer, p.always});
        }
    }
    svg_.CloseGroup();
    if (!style.name.empty()) {
        legend_.push_back({LegendEntry::kMarker, style, style.name});
    }
}

void Plot::StraightLine(double intercept, double slope, const SeriesStyle& style) {
    if (!Finite(intercept) || !Finite(slope)) {
        return;
    }
    // Clip y = a + b x to the plot: x range first, then where y leaves its range.
    double x0 = xAxis_.lo;
    double x1 = xAxis_.hi;
    if (slope != 0) {
        const double xa = (yAxis_.lo - intercept) / slope;
        const double xb = (yAxis_.hi - intercept) / slope;
        x0 = std::max(x0, std::min(xa, xb));
        x1 = std::min(x1, std::max(xa, xb));
    } else if (intercept < yAxis_.lo || intercept > yAxis_.hi) {
        return;
    }
    if (!(x0 < x1)) {
        return;
    }
    PathData path;
    path.MoveTo(X(x0), Y(intercept + slope * x0)).LineTo(X(x1), Y(intercept + slope * x1));
    svg_.Path(path, LineAttributes(style));
    if (!style.name.empty()) {
        legend_.push_back({LegendEntry::kLine, style, style.name});
    }
}

void Plot::HorizontalLine(double y, const char* colour) {
    if (Finite(y) && y >= yAxis_.lo && y <= yAxis_.hi) {
        svg_.Line(left_, Y(y), right_, Y(y),
                  std::string("stroke=\"") + colour + "\" stroke-width=\"1.2\"");
    }
}

void Plot::Box(double x0, double y0, double x1, double y1, const char* colour,
               std::string_view name) {
    const double left = std::clamp(X(std::min(x0, x1)), left_, right_);
    const double right = std::clamp(X(std::max(x0, x1)), left_, right_);
    const double top = std::clamp(Y(std::max(y0, y1)), top_, bottom_);
    const double bottom = std::clamp(Y(std::min(y0, y1)), top_, bottom_);
    const std::string attributes = std::string("fill=\"") + colour +
                                   "\" fill-opacity=\"0.12\" stroke=\"" + colour +
                                   "\" stroke-width=\"1.5\" stroke-dasharray=\"5 3\"";
    svg_.Rect(left, top, right - left, bottom - top, attributes);
    if (!name.empty()) {
        SeriesStyle style;
        style.colour = colour;
        legend_.push_back({LegendEntry::kOutline, style, std::string(name)});
    }
}

void Plot::Histogram(const HistogramGrid& grid, std::string_view legendTitle) {
    std::uint32_t most = 0;
    for (const std::uint32_t c : grid.counts) {
        most = std::max(most, c);
    }
    if (most == 0) {
        NoData();
        return;
    }
    // Up to six classes with upper bounds growing geometrically from 1 to the largest count.
    std::vector<std::uint32_t> upper;
    const std::size_t classes = kSequential.size();
    for (std::size_t i = 1; i <= classes; ++i) {
        const double bound =
            std::ceil(std::pow(static_cast<double>(most), static_cast<double>(i) / classes) - 1e-9);
        const auto value = static_cast<std::uint32_t>(std::max(1.0, bound));
        if (upper.empty() || value > upper.back()) {
            upper.push_back(value);
        }
    }
    const auto colourOf = [&](std::size_t k) {
        return upper.size() == 1 ? kSequential[3]
                                 : kSequential[k * (classes - 1) / (upper.size() - 1)];
    };
    std::vector<PathData> paths(upper.size());
    const double dx = (grid.xHi - grid.xLo) / grid.columns;
    const double dy = (grid.yHi - grid.yLo) / grid.rows;
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            const std::uint32_t count =
                grid.counts[static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.columns) +
                            static_cast<std::size_t>(column)];
            if (count == 0) {
                continue;
            }
            const std::size_t k = static_cast<std::size_t>(
                std::lower_bound(upper.begin(), upper.end(), count) - upper.begin());
            // Edges on the tenths the numbers are written in, so that neighbours meet
            // without a hairline between them.
            const auto tenth = [](double v) { return std::round(v * 10) / 10; };
            // The last cells may reach past the axis: clipped at the frame.
            const double x0 = tenth(std::clamp(X(grid.xLo + column * dx), left_, right_));
            const double x1 = tenth(std::clamp(X(grid.xLo + (column + 1) * dx), left_, right_));
            const double y0 = tenth(std::clamp(Y(grid.yLo + (row + 1) * dy), top_, bottom_));
            const double y1 = tenth(std::clamp(Y(grid.yLo + row * dy), top_, bottom_));
            if (!(x1 > x0 && y1 > y0)) {
                continue;
            }
            paths[k].Rect(x0, y0, x1 - x0, y1 - y0);
        }
    }
    AddLegendText(legendTitle);
    std::uint32_t lower = 1;
    for (std::size_t k = 0; k < upper.size(); ++k) {
        svg_.Path(paths[k],
                  std::string("fill=\"") + colourOf(k) + "\" shape-rendering=\"crispEdges\"");
        const std::string range = lower == upper[k]
                                      ? std::to_string(lower)
                                      : std::to_string(lower) + "\u2013" + std::to_string(upper[k]);
        AddLegendSwatch(colourOf(k), range);
        lower = upper[k] + 1;
    }
    legend_.push_back({LegendEntry::kBreak, SeriesStyle(), std::string()});
}

void Plot::NoData(std::string_view reason) {
    svg_.Text((left_ + right_) / 2, (top_ + bottom_) / 2, reason,
              "text-anchor=\"middle\" font-size=\"14\" fill=\"#777777\"");
}

std::string Plot::Finish() {
    DrawLabels();
    DrawLegend();
    return svg_.Finish();
}

}  // namespace corvane::chart
