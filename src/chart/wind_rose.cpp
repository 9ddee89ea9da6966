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

// The darkest classes for the fewest: the fastest class always takes the darkest colour.
const char* ClassColour(std::size_t c, std::size_t classes) {
    const std::size_t n = kRoseClassColours.size();
    return kRoseClassColours[std::min(c + (n - std::min(classes, n)), n - 1)];
}

// The bearing of the gap between two sectors whose longer petal is the shortest, the gap
// south-south-east of south first among equals (below the centre, where a reader looks).
double LabelBearing(const std::array<double, kRoseSectors>& petals) {
    int best = 7;
    double shortest = std::max(petals[7], petals[8]);
    for (int k = 1; k < kRoseSectors; ++k) {
        const int gap = (7 + k) % kRoseSectors;
        const double longer = std::max(petals[static_cast<std::size_t>(gap)],
                                       petals[static_cast<std::size_t>((gap + 1) % kRoseSectors)]);
        if (longer < shortest - 1e-12) {
            shortest = longer;
            best = gap;
        }
    }
    return best * 22.5 + 11.25;
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
    // Without petals there is no scale to show: one unlabelled ring.
    const bool petals = scalePercent > 0 && std::isfinite(scalePercent);
    NiceTicks rings = ComputeNiceTicks(0, petals ? scalePercent : 1);
    if (!petals) {
        rings.values = {0, rings.hi};
    }
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
        plot.NoData("no pairs");
        return plot.Finish();
    }
    if (!(LongestPetal(data) > 0)) {
        svg.Text(cx, cy - outer / 2, "every hour calm",
                 "text-anchor=\"middle\" font-size=\"14\" fill=\"#777777\"");
    }
    // Petals, class by class from the centre outwards.
    constexpr double kHalfWidth = 22.5 * 0.4;
    std::array<double, kRoseSectors> base{};
    for (std::size_t c = 0; c < data.percent.size(); ++c) {
        const char* colour = ClassColour(c, data.percent.size());
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
    // Ring values along the gap between two sectors where the petals are shortest, so that
    // they lie on the petals as little as can be; on a white halo where they still do.
    if (petals) {
        svg.OpenGroup(
            "font-size=\"11\" fill=\"#333333\" text-anchor=\"middle\" stroke=\"#FFFFFF\" "
            "stroke-width=\"3\" paint-order=\"stroke\"");
        const double bearing = LabelBearing(base);
        const std::vector<std::string> labels = rings.Labels();
        for (std::size_t i = 1; i < rings.values.size(); ++i) {
            const auto [x, y] = at(radius(rings.values[i]), bearing);
            svg.Text(x, y + 4, labels[i] + "%");
        }
        svg.CloseGroup();
    }
    svg.OpenGroup("font-size=\"11\" text-anchor=\"middle\"");
    svg.Text(cx, cy - 1, Percent(data.calmPercent));
    svg.Text(cx, cy + 11, "calm");
    svg.CloseGroup();
    for (std::size_t c = 0; c < data.classNames.size() && c < data.percent.size(); ++c) {
        plot.AddLegendSwatch(ClassColour(c, data.percent.size()), data.classNames[c]);
    }
    return plot.Finish();
}

}  // namespace corvane::chart
