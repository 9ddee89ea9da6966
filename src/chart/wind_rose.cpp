#include "chart/wind_rose.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/palette.h"

namespace corvane::chart {

namespace {

constexpr std::array<const char*, kRoseSectors> kSectorNames = {
    "N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
    "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", value);
    return text;
}

}  // namespace

int RoseSectorOf(double direction) {
    if (!std::isfinite(direction)) {
        return -1;
    }
    if (std::fabs(direction) > 1e9) {  // beyond what an int holds once divided
        direction = std::fmod(direction, 360.0);
    }
    // Sixteen sectors: the low four bits of the sector count wrap it, also below zero.
    return static_cast<int>(std::floor((direction + 11.25) / 22.5)) & (kRoseSectors - 1);
}

double LongestPetal(const WindRoseData& data) {
    double longest = 0;
    for (int s = 0; s < kRoseSectors; ++s) {
        double petal = 0;
        for (const auto& row : data.percent) {
            petal += row[static_cast<std::size_t>(s)];
        }
        longest = std::max(longest, petal);
    }
    return longest;
}

std::string WindRose(const Frame& frame, const WindRoseData& data, double scalePercent) {
    const Margins margins{24, 46, 24, 24};
    Axis unitAxis;
    unitAxis.lo = -1;
    unitAxis.hi = 1;
    Plot plot(frame, unitAxis, unitAxis, margins);
    SvgDocument& svg = plot.svg();
    const double cx = (plot.Left() + plot.Right()) / 2;
    const double cy = (plot.Top() + plot.Bottom()) / 2;
    const double outer = std::min(plot.Right() - plot.Left(), plot.Bottom() - plot.Top()) / 2;
    const double inner = 22;  // the calm circle
    const NiceTicks rings = ComputeNiceTicks(0, std::max(scalePercent, 1e-9));
    const auto radius = [&](double percent) {
        return inner + percent / rings.hi * (outer - inner);
    };
    const auto at = [&](double r, double bearing) {  // bearing in degrees, clockwise from north
        const double a = bearing * std::numbers::pi / 180;
        return std::pair{cx + r * std::sin(a), cy - r * std::cos(a)};
    };

    const std::string grid = std::string("fill=\"none\" stroke=\"") + kGrid + "\"";
    for (int s = 0; s < kRoseSectors; s += 2) {
        const auto [x0, y0] = at(inner, s * 22.5);
        const auto [x1, y1] = at(outer, s * 22.5);
        svg.Line(x0, y0, x1, y1, grid);
    }
    for (std::size_t i = 1; i < rings.values.size(); ++i) {
        svg.Circle(cx, cy, radius(rings.values[i]),
                   i + 1 == rings.values.size()
                       ? std::string("fill=\"none\" stroke=\"") + kAxis + "\""
                       : grid);
    }
    svg.Circle(cx, cy, inner, std::string("fill=\"#FFFFFF\" stroke=\"") + kAxis + "\"");
    svg.OpenGroup("font-size=\"12\" font-weight=\"bold\" text-anchor=\"middle\"");
    for (int s = 0; s < kRoseSectors; s += 4) {
        const auto [x, y] = at(outer + 9, s * 22.5);
        svg.Text(x, y + 4, kSectorNames[static_cast<std::size_t>(s)]);
    }
    svg.CloseGroup();

    if (data.hours <= 0) {
        plot.NoData();
        return plot.Finish();
    }
    // Petals, class by class from the centre outwards.
    constexpr double kHalfWidth = 22.5 * 0.4;
    std::array<double, kRoseSectors> base{};
    for (std::size_t c = 0; c < data.percent.size(); ++c) {
        const char* colour = kSequential[std::min(c + (kSequential.size() - data.percent.size()),
                                                  kSequential.size() - 1)];
        svg.OpenGroup(std::string("fill=\"") + colour +
                      "\" stroke=\"#FFFFFF\" stroke-width=\"0.6\"");
        for (int s = 0; s < kRoseSectors; ++s) {
            const double p = data.percent[c][static_cast<std::size_t>(s)];
            double& from = base[static_cast<std::size_t>(s)];
            if (!(p > 0)) {
                continue;
            }
            const double r0 = radius(from);
            const double r1 = radius(from + p);
            from += p;
            const double bearing = s * 22.5;
            const auto [ax, ay] = at(r1, bearing - kHalfWidth);
            const auto [bx, by] = at(r1, bearing + kHalfWidth);
            const auto [cx0, cy0] = at(r0, bearing + kHalfWidth);
            const auto [dx, dy] = at(r0, bearing - kHalfWidth);
            PathData wedge;
            wedge.MoveTo(ax, ay).ArcTo(r1, bx, by, false, true).LineTo(cx0, cy0);
            wedge.ArcTo(r0, dx, dy, false, false).Close();
            const std::string& name = c < data.classNames.size() ? data.classNames[c] : "";
            svg.Path(wedge, {},
                     std::string(kSectorNames[static_cast<std::size_t>(s)]) + ", " + name + ": " +
                         Percent(p) + " of the hours");
        }
        svg.CloseGroup();
    }
    // Ring values along a bearing between two petals, on a white halo over the petals.
    svg.OpenGroup(
        "font-size=\"11\" fill=\"#333333\" stroke=\"#FFFFFF\" stroke-width=\"3\" "
        "paint-order=\"stroke\"");
    const std::vector<std::string> labels = rings.Labels();
    for (std::size_t i = 1; i < rings.values.size(); ++i) {
        const auto [x, y] = at(radius(rings.values[i]), 157.5 + 11.25);
        svg.Text(x + 2, y + 11, labels[i] + "%");
    }
    svg.CloseGroup();
    svg.OpenGroup("font-size=\"11\" text-anchor=\"middle\"");
    svg.Text(cx, cy - 1, Percent(data.calmPercent));
    svg.Text(cx, cy + 11, "calm");
    svg.CloseGroup();
    for (std::size_t c = 0; c < data.classNames.size() && c < data.percent.size(); ++c) {
        plot.AddLegendSwatch(kSequential[std::min(c + (kSequential.size() - data.percent.size()),
                                                  kSequential.size() - 1)],
                             data.classNames[c]);
    }
    return plot.Finish();
}

}  // namespace corvane::chart
