#include "chart/taylor_diagram.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/palette.h"

namespace corvane::chart {

namespace {

// Room beyond the outermost marker (or the reference), as a share of its ratio, for the
// marker itself and its label.
constexpr double kRadialMargin = 0.08;

bool Usable(const TaylorPoint& p) {
    return std::isfinite(p.ratio) && p.ratio >= 0 && std::isfinite(p.correlation) &&
           p.correlation >= -1 && p.correlation <= 1;
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

TaylorPosition TaylorPlace(double ratio, double correlation) {
    return {ratio * correlation, ratio * std::sqrt(std::max(0.0, 1 - correlation * correlation))};
}

std::string TaylorDiagram(Frame frame, std::span<const TaylorSeries> series,
                          std::string_view empty) {
    double largest = 1.0;
    bool negative = false;
    bool any = false;
    for (const TaylorSeries& s : series) {
        for (const TaylorPoint& p : s.points) {
            if (Usable(p)) {
                any = true;
                largest = std::max(largest, p.ratio);
                negative |= p.correlation < 0;
            }
        }
    }
    // Zoomed to the markers: the outer arc lies a little beyond the largest ratio, or beyond
    // the reference when all lie inside it, and not on the next round tick, which could
    // nearly double the radius and crowd stations near the reference into a corner.
    const double rmax = std::max(largest, 1.0) * (1 + kRadialMargin);
    const NiceTicks radial = ComputeNiceTicks(0, rmax);
    const std::vector<std::string> radialLabels = radial.Labels();
    // The ticks within the outer arc label the ratio axes; all of them space the arcs of
    // equal centred RMS difference, which reach beyond it.
    std::size_t inside = 0;
    while (inside < radial.values.size() && radial.values[inside] <= rmax * (1 + 1e-9)) {
        ++inside;
    }
    double widest = 0;
    for (std::size_t i = 0; i < inside; ++i) {
        widest = std::max(widest, TextWidth(radialLabels[i], 11));
    }
    // Room for the correlation labels outside the arc and the axis titles.
    const Margins margins{negative ? 40.0 : 8 + 16 + widest + 8, 52, 44, 48};
    const double xLo = negative ? -rmax : 0;
    const double unit = (frame.width - margins.left - margins.right) / (rmax - xLo);
    frame.height = margins.top + rmax * unit + margins.bottom;
    Axis xAxis;
    xAxis.lo = xLo;
    xAxis.hi = rmax;
    Axis yAxis;
    yAxis.lo = 0;
    yAxis.hi = rmax;
    Plot plot(frame, xAxis, yAxis, margins);
    SvgDocument& svg = plot.svg();
    const double cx = plot.X(0);
    const double cy = plot.Y(0);
    const auto at = [&](double r, double angle) {  // angle from the x axis, counterclockwise
        return std::pair{cx + r * unit * std::cos(angle), cy - r * unit * std::sin(angle)};
    };
    const double maxAngle = negative ? std::numbers::pi : std::numbers::pi / 2;
    const std::string grid = std::string("fill=\"none\" stroke=\"") + kGrid + "\"";

    // Arcs of equal standard deviation ratio, with labels along the horizontal axis; the
    // outermost is the frame.
    svg.OpenGroup("font-size=\"11\" fill=\"#333333\"");
    const auto ratioArc = [&](double r, const std::string& style) {
        const auto [x0, y0] = at(r, 0);
        const auto [x1, y1] = at(r, maxAngle);
        PathData arc;
        arc.MoveTo(x0, y0).ArcTo(r * unit, x1, y1, false, false);
        svg.Path(arc, style);
    };
    for (std::size_t i = 1; i < inside; ++i) {
        if ((rmax - radial.values[i]) * unit > 1) {  // not on the frame
            ratioArc(radial.values[i], grid);
        }
    }
    ratioArc(rmax, std::string("fill=\"none\" stroke=\"") + kAxis + "\"");
    for (std::size_t i = 0; i < inside; ++i) {
        const double r = radial.values[i];
        svg.Line(cx + r * unit, cy, cx + r * unit, cy + 4, std::string("stroke=\"") + kAxis + "\"");
        svg.Text(cx + r * unit, cy + 16, radialLabels[i], "text-anchor=\"middle\"");
        if (negative && i > 0) {
            svg.Line(cx - r * unit, cy, cx - r * unit, cy + 4,
                     std::string("stroke=\"") + kAxis + "\"");
            svg.Text(cx - r * unit, cy + 16, radialLabels[i], "text-anchor=\"middle\"");
        } else if (!negative) {
            svg.Line(cx - 4, cy - r * unit, cx, cy - r * unit,
                     std::string("stroke=\"") + kAxis + "\"");
            // One at the top would touch the correlation label "0"; the horizontal axis
            // gives that value.
            if ((rmax - r) * unit >= 12) {
                svg.Text(cx - 7, cy - r * unit + 4, radialLabels[i], "text-anchor=\"end\"");
            }
        }
    }
    // Rays of equal correlation, labelled outside the outer arc.
    const std::vector<double> correlations = {0.0, 0.1, 0.2, 0.3,  0.4,  0.5, 0.6,
                                              0.7, 0.8, 0.9, 0.95, 0.99, 1.0};
    for (const double c : correlations) {
        for (const double sign : {1.0, -1.0}) {
            if ((sign < 0 && (!negative || c == 0))) {
                continue;
            }
            const double angle = std::acos(sign * c);
            const auto [x1, y1] = at(rmax, angle);
            svg.Line(cx, cy, x1, y1, grid);
            const auto [tx, ty] = at(rmax * 1.0 + 6 / unit, angle);
            const std::string text =
                (sign < 0 ? "-" : "") + Fixed(c, c == 0.95 || c == 0.99 ? 2 : 1);
            svg.Text(tx, ty + 4 * std::sin(angle) + 3, c == 0 && sign > 0 ? "0" : text,
                     angle < std::numbers::pi / 2 - 0.01   ? "text-anchor=\"start\""
                     : angle > std::numbers::pi / 2 + 0.01 ? "text-anchor=\"end\""
                                                           : "text-anchor=\"middle\"");
        }
    }
    svg.CloseGroup();
    svg.Line(negative ? cx - rmax * unit : cx, cy, cx + rmax * unit, cy,
             std::string("stroke=\"") + kAxis + "\"");
    if (!negative) {
        svg.Line(cx, cy, cx, cy - rmax * unit, std::string("stroke=\"") + kAxis + "\"");
    }
    const auto [lx, ly] = at(rmax + 36 / unit, maxAngle * 0.5);
    svg.Text(lx, ly, "Correlation",
             "text-anchor=\"middle\" transform=\"rotate(" +
                 Fixed(90 - maxAngle * 90 / std::numbers::pi, 1) + " " + Fixed(lx, 1) + " " +
                 Fixed(ly, 1) + ")\"");
    svg.Text(negative ? cx : (cx + plot.Right()) / 2, cy + 34,
             "Standard deviation, predicted / observed", "text-anchor=\"middle\"");

    // Where the markers will lie, with room for their own labels: an arc's label moves back
    // along its arc, towards the inside, to the first spot that covers none of them.
    struct Box {
        double x0, y0, x1, y1;
    };
    std::vector<Box> marks;
    const auto mark = [&](double x, double y, double radius) {
        const double rx = radius * 1.3 + 16;
        const double ry = radius * 1.3 + 12;
        marks.push_back(
            {cx + x * unit - rx, cy - y * unit - ry, cx + x * unit + rx, cy - y * unit + ry});
    };
    SeriesStyle reference;
    reference.name = "Observed (reference)";
    reference.colour = kBlack;
    reference.marker = Marker::Square;
    mark(1, 0, reference.markerRadius);
    std::vector<std::vector<LabelledPoint>> placed(series.size());  // each series' markers
    for (std::size_t i = 0; i < series.size(); ++i) {
        for (const TaylorPoint& p : series[i].points) {
            if (Usable(p)) {
                const TaylorPosition place = TaylorPlace(p.ratio, p.correlation);
                placed[i].push_back({place.x, place.y, p.label, p.tooltip});
                mark(place.x, place.y, series[i].style.markerRadius);
            }
        }
    }
    const auto labelBox = [](double x, double y, const std::string& text) {
        const double w = TextWidth(text, 11);
        return Box{x - w / 2 - 1, y - 5, x + w / 2 + 1, y + 7};
    };
    const auto clear = [&](double x, double y, const std::string& text) {
        const Box b = labelBox(x, y, text);
        // Inside the outer arc, off the axes, whose tick labels it would read as.
        if (std::hypot(x - cx, y - cy) > rmax * unit - 10 || b.y1 > cy - 2 ||
            (!negative && b.x0 < cx + 2)) {
            return false;
        }
        return std::none_of(marks.begin(), marks.end(), [&](const Box& m) {
            return b.x0 < m.x1 && m.x0 < b.x1 && b.y0 < m.y1 && m.y0 < b.y1;
        });
    };
    using Spot = std::pair<double, double>;
    // The usual spot first, then points of the arc in the order given.
    const auto choose = [&](Spot usual, const std::vector<Spot>& along, const std::string& text) {
        if (clear(usual.first, usual.second, text)) {
            return usual;
        }
        for (const Spot& a : along) {
            if (clear(a.first, a.second, text)) {
                return a;
            }
        }
        return usual;
    };

    // Arcs of equal centred RMS difference around the reference, where they lie inside.
    const std::string rmsColour = kBluishGreen;
    svg.OpenGroup("fill=\"none\" stroke=\"" + rmsColour +
                  "\" stroke-width=\"1\" stroke-dasharray=\"4 3\"");
    std::vector<std::pair<Spot, std::string>> rmsLabels;
    for (std::size_t i = 1; i < radial.values.size() && radial.values[i] < rmax + 1; ++i) {
        const double e = radial.values[i];
        PathData arc;
        bool down = true;
        bool labelled = false;
        std::vector<Spot> run;  // the stretch inside so far
        for (int k = 0; k <= 180; ++k) {
            const double t = std::numbers::pi * k / 180;
            const double x = 1 - e * std::cos(t);  // from the side towards the origin
            const double y = e * std::sin(t);
            const bool inside = std::hypot(x, y) <= rmax && (negative || x >= 0);
            if (!inside) {
                if (!down && !labelled && std::hypot(x, y) > rmax) {
                    // Where the arc meets the outer edge, just inside it: away from the
                    // standard deviation axes, which it would read as a second scale on.
                    const double r = std::hypot(x, y);
                    const double inward = 1 - 14 / (r * unit);
                    std::vector<Spot> back;
                    for (std::size_t j = run.size(); j > 6; j -= 6) {
                        back.push_back(run[j - 7]);
                    }
                    rmsLabels.push_back({choose({cx + x * inward * unit, cy - y * inward * unit},
                                                back, radialLabels[i]),
                                         radialLabels[i]});
                    labelled = true;
                }
                down = true;
                run.clear();
                continue;
            }
            const double px = cx + x * unit;
            const double py = cy - y * unit;
            if (down) {
                arc.MoveTo(px, py);
                down = false;
            } else {
                arc.LineTo(px, py);
            }
            run.push_back({px, py});
        }
        if (!labelled && !arc.empty()) {
            // A whole arc inside: labelled at its top, above the reference, or beside it.
            std::vector<Spot> sides;
            for (std::size_t j = 6; j <= 84 && j < run.size() / 2; j += 6) {
                sides.push_back(run[run.size() / 2 + j]);
                sides.push_back(run[run.size() / 2 - j]);
            }
            rmsLabels.push_back(
                {choose({cx + unit, cy - e * unit - 3}, sides, radialLabels[i]), radialLabels[i]});
        }
        svg.Path(arc, {});
    }
    svg.CloseGroup();
    svg.OpenGroup("font-size=\"11\" fill=\"" + rmsColour +
                  "\" text-anchor=\"middle\" stroke=\"#FFFFFF\" stroke-width=\"3\" "
                  "paint-order=\"stroke\"");
    for (const auto& [position, text] : rmsLabels) {
        svg.Text(position.first, position.second + 4, text);
        const Box b = labelBox(position.first, position.second, text);
        plot.Reserve(b.x0, b.y0, b.x1, b.y1);  // the stations' labels keep off it
    }
    svg.CloseGroup();

    const LabelledPoint observed{1, 0, "", "Observed: standard deviation ratio 1, correlation 1"};
    plot.Points(std::span(&observed, 1), reference);
    if (!any) {
        plot.NoData(empty);
    }
    for (std::size_t i = 0; i < series.size(); ++i) {
        plot.Points(placed[i], series[i].style);
    }
    SeriesStyle rms;
    rms.name = "Centred RMS difference";
    rms.colour = kBluishGreen;
    rms.dash = "4 3";
    rms.lineWidth = 1;
    plot.AddLegendLine(rms);
    return plot.Finish();
}

}  // namespace corvane::chart
