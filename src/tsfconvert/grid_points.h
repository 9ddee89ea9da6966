#pragma once

// Where a station lies on a model grid: the grid points whose values make its value, with
// their weights, for the nearest point or bilinear interpolation, on regular grids (1-D
// latitude and longitude) and curvilinear ones (2-D latitude and longitude per point).

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::tsfconvert {

enum class Interpolation { Nearest, Bilinear };

/// Latitudes and longitudes in degrees. Regular: lat has ny values, lon nx, each strictly
/// monotonic. Curvilinear: both hold ny * nx values, row by row (y outer, x inner).
struct Grid {
    std::size_t ny = 0;
    std::size_t nx = 0;
    bool regular = true;
    std::vector<double> lat;
    std::vector<double> lon;

    double Latitude(std::size_t y, std::size_t x) const {
        return regular ? lat[y] : lat[y * nx + x];
    }
    double Longitude(std::size_t y, std::size_t x) const {
        return regular ? lon[x] : lon[y * nx + x];
    }
};

struct GridWeight {
    std::size_t y = 0;
    std::size_t x = 0;
    double weight = 1;
};

/// Checks the grid: at least 2 x 2 points, finite coordinates, latitudes within -90 to 90,
/// and monotonic axes of a regular grid. The reason otherwise, empty when it is fine.
std::string CheckGrid(const Grid& grid);

/// The points and weights (summing to 1) for a station at `lat`, `lon` (longitudes taken
/// modulo 360). Empty when the station lies outside the grid: outside the axes' range on a
/// regular grid, in no grid cell on a curvilinear one. Nearest is the nearest of the four
/// points of the cell around the station.
std::vector<GridWeight> LocateStation(const Grid& grid, double lat, double lon,
                                      Interpolation interpolation);

}  // namespace corvane::tsfconvert
