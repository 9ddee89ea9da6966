#include "tsfconvert/grid_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace corvane::tsfconvert {
namespace {

constexpr double kEdge = 1e-9;  // a station on a cell's edge belongs to it

// `value` moved by whole turns to within half a turn of `reference`.
double NearLongitude(double value, double reference) {
    return reference + std::remainder(value - reference, 360.0);
}

// The cell [k, k + 1] of a monotonic axis around `value` and the fraction within it.
std::optional<std::pair<std::size_t, double>> Bracket(const std::vector<double>& axis,
                                                      double value) {
    const bool rising = axis.back() > axis.front();
    const auto before = [&](double a, double b) { return rising ? a < b : a > b; };
    if (before(value, axis.front()) || before(axis.back(), value)) {
        return std::nullopt;
    }
    // The first point beyond the value, found by bisection.
    std::size_t low = 0;
    std::size_t high = axis.size() - 1;
    while (high - low > 1) {
        const std::size_t middle = (low + high) / 2;
        (before(value, axis[middle]) ? high : low) = middle;
    }
    return std::pair{low, (value - axis[low]) / (axis[high] - axis[low])};
}

// The cell's fractions (s along x, t along y) of the point at the origin of the local
// plane, whose corners are p00, p10 (x + 1), p01 (y + 1), p11: Newton's method on the
// bilinear map. Nullopt when the point lies outside the cell.
std::optional<std::pair<double, double>> InverseBilinear(const std::array<double, 8>& p) {
    const double ax = p[0], ay = p[1];
    const double bx = p[2] - p[0], by = p[3] - p[1];
    const double cx = p[4] - p[0], cy = p[5] - p[1];
    const double dx = p[0] - p[2] - p[4] + p[6], dy = p[1] - p[3] - p[5] + p[7];
    double s = 0.5;
    double t = 0.5;
    for (int i = 0; i < 30; ++i) {
        const double fx = ax + bx * s + cx * t + dx * s * t;
        const double fy = ay + by * s + cy * t + dy * s * t;
        const double j11 = bx + dx * t, j12 = cx + dx * s;
        const double j21 = by + dy * t, j22 = cy + dy * s;
        const double det = j11 * j22 - j12 * j21;
        if (det == 0 || !std::isfinite(det)) {
            return std::nullopt;
        }
        const double ds = (fx * j22 - fy * j12) / det;
        const double dt = (fy * j11 - fx * j21) / det;
        s -= ds;
        t -= dt;
        if (std::fabs(ds) < 1e-13 && std::fabs(dt) < 1e-13) {
            break;
        }
    }
    if (!(s >= -kEdge && s <= 1 + kEdge && t >= -kEdge && t <= 1 + kEdge)) {
        return std::nullopt;
    }
    return std::pair{std::clamp(s, 0.0, 1.0), std::clamp(t, 0.0, 1.0)};
}

std::vector<GridWeight> CellWeights(std::size_t y, std::size_t x, double s, double t,
                                    Interpolation interpolation) {
    if (interpolation == Interpolation::Nearest) {
        return {{y + (t > 0.5 ? 1u : 0u), x + (s > 0.5 ? 1u : 0u), 1.0}};
    }
    return {{y, x, (1 - s) * (1 - t)},
            {y, x + 1, s * (1 - t)},
            {y + 1, x, (1 - s) * t},
            {y + 1, x + 1, s * t}};
}

}  // namespace

std::string CheckGrid(const Grid& grid) {
    if (grid.ny < 2 || grid.nx < 2) {
        return "the grid has " + std::to_string(grid.ny) + " x " + std::to_string(grid.nx) +
               " points; at least 2 x 2 are needed";
    }
    for (const double lat : grid.lat) {
        if (!std::isfinite(lat) || lat < -90 || lat > 90) {
            return "a latitude of the grid is missing or outside -90 to 90";
        }
    }
    for (const double lon : grid.lon) {
        if (!std::isfinite(lon)) {
            return "a longitude of the grid is missing";
        }
    }
    if (grid.regular) {
        for (const auto* axis : {&grid.lat, &grid.lon}) {
            const bool rising = axis->back() > axis->front();
            for (std::size_t i = 1; i < axis->size(); ++i) {
                if (rising ? (*axis)[i] <= (*axis)[i - 1] : (*axis)[i] >= (*axis)[i - 1]) {
                    return std::string("the ") + (axis == &grid.lat ? "latitudes" : "longitudes") +
                           " of the grid are not in strict order";
                }
            }
        }
    }
    return {};
}

std::vector<GridWeight> LocateStation(const Grid& grid, double lat, double lon,
                                      Interpolation interpolation) {
    if (grid.regular) {
        const double middle = (grid.lon.front() + grid.lon.back()) / 2;
        const auto y = Bracket(grid.lat, lat);
        const auto x = Bracket(grid.lon, NearLongitude(lon, middle));
        if (!y || !x) {
            return {};
        }
        // On the last point of an axis the cell before it holds the station.
        auto [yi, t] = *y;
        auto [xi, s] = *x;
        return CellWeights(yi, xi, s, t, interpolation);
    }
    // Every cell whose corners surround the station in a plane around it (east-west scaled
    // by the cosine of its latitude), first by their extent, then exactly.
    const double scale = std::cos(lat * std::numbers::pi / 180);
    for (std::size_t y = 0; y + 1 < grid.ny; ++y) {
        for (std::size_t x = 0; x + 1 < grid.nx; ++x) {
            const std::array<std::pair<std::size_t, std::size_t>, 4> at = {
                {{y, x}, {y, x + 1}, {y + 1, x}, {y + 1, x + 1}}};
            // The latitudes first: they rule out nearly every cell cheaply.
            bool south = true, north = true;
            for (const auto& [cy, cx] : at) {
                const double py = grid.Latitude(cy, cx) - lat;
                south = south && py > kEdge;
                north = north && py < -kEdge;
            }
            if (south || north) {
                continue;
            }
            std::array<double, 8> corners{};
            bool west = true, east = true;
            for (std::size_t c = 0; c < 4; ++c) {
                const double px =
                    std::remainder(grid.Longitude(at[c].first, at[c].second) - lon, 360.0) * scale;
                const double py = grid.Latitude(at[c].first, at[c].second) - lat;
                corners[2 * c] = px;
                corners[2 * c + 1] = py;
                west = west && px > kEdge;
                east = east && px < -kEdge;
            }
            if (west || east) {
                continue;
            }
            if (const auto st = InverseBilinear(corners)) {
                return CellWeights(y, x, st->first, st->second, interpolation);
            }
        }
    }
    return {};
}

}  // namespace corvane::tsfconvert
